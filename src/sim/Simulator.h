#pragma once
// The unit simulator on a pseudo-terminal, optionally behind a GSM modem.
// The program opens SlavePath() as its serial port; a serving thread answers
// on the master side. Configure the unit (and modem) through Unit()/Modem()
// at any time, also while the program is connected.
//
//     TSimulator sim;                          // revision 41, generation 0
//     sim.Unit().SetValue("+g", "*99#");
//     ... the program opens sim.SlavePath() and reads "+g" ...
//     ASSERT_TRUE(sim.Unit().WaitForCommands(1, 5000));
//
// The serving thread blocks in poll() between events, serves any number of
// opens and closes of the slave (it holds the slave open itself, so the line
// hangs up only on a line drop) and stops promptly when the simulator is
// destroyed. After a line drop it stops serving and the slave path is gone.
//
// Threading: all public methods may be called from any thread. Trace and
// OnLineDropped are called on the serving thread.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "sim/Pty.h"
#include "sim/SimModem.h"
#include "sim/SimUnit.h"

class TThread;

struct TSimOptions {
    int Revision = 41;
    bool Echo = false;    // the unit echoes what it receives (for a person at a terminal)
    int ReplyDelayMs = 0; // every unit reply this long after its command
    std::optional<TSimModemConfig> Modem; // a GSM modem in front of the unit
    TSimTrace Trace;                      // every unit command and modem line as it arrives
    std::function<void()> OnLineDropped;
    // A bare wire instead of unit and modem: what the program sends is kept
    // for TakeReceived, and only SendUnsolicited reaches the program.
    bool Raw = false;
};

class TSimulator {
public:
    explicit TSimulator(const TSimOptions& options = {}); // throws std::runtime_error
    ~TSimulator();
    TSimulator(const TSimulator&) = delete;
    TSimulator& operator=(const TSimulator&) = delete;

    const std::string& SlavePath() const { return FPty.SlavePath(); }
    TSimUnit& Unit() { return FUnit; }
    bool HasModem() const { return FModem != nullptr; }
    TSimModem& Modem(); // throws std::logic_error when built without a modem
    bool LineDropped() const { return FDropped.load(std::memory_order_acquire); }

    // What the program sent since the last call, with Raw set; empty otherwise.
    // Waits up to timeoutMs for at least atLeast bytes to be there.
    std::string TakeReceived(std::size_t atLeast = 0, int timeoutMs = 0);
    // While held, nothing is read from the line: the program's writes back up
    // until they block or time out, as with a peer that stopped reading.
    void SetHold(bool hold);
    // The line settings the program made on its port, as "19200 8N1" followed
    // by " crtscts", " ixon", " ixoff" for the flow controls that are on.
    std::string LineSettings() const;

private:
    class TServeThread;

    void Serve(const TThread& self);
    void FromLine(std::string_view bytes);
    void PortEvents();
    void Drop();
    void Wake();

    TPty FPty;
    TSimUnit FUnit;
    std::unique_ptr<TSimModem> FModem;
    int FWakeRead = -1;
    int FWakeWrite = -1;
    int FOpenWatch = -1;
    mutable std::mutex FLineMutex; // LineSettings against Drop closing the master
    std::atomic<bool> FDropped{false};
    std::atomic<bool> FHold{false};
    bool FRaw = false;
    std::mutex FReceivedMutex;
    std::condition_variable FReceivedMore;
    std::string FReceived;
    std::function<void()> FOnDropped;
    std::unique_ptr<TServeThread> FThread;
};
