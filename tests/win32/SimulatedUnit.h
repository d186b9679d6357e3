#pragma once
// The simulated unit a test talks to, on Windows. The simulator needs a
// pseudo-terminal and so cannot run in the test's process: wine-test.sh
// starts simulators on the build machine (as many as ORB_WINE_SIM says) and
// links each one's line into the wine prefix as a COM port. TSimulator here
// takes one of them, makes it afresh with the options given, and steers it
// over its control line with the calls a POSIX test makes of the simulator
// in its own process (tests/support/posix/SimulatedUnit.h), so that the same
// test sources build for both.
//
// Threading: a simulator and its parts belong to the thread that made it.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FastModem.h"
#include "sim/SimModem.h"
#include "sim/SimUnit.h"

class TSimControlClient;

struct TSimOptions {
    int Revision = 41;
    int ReplyDelayMs = 0;                 // every unit reply this long after its command
    std::optional<TSimModemConfig> Modem; // only its timings may differ from the default
};

// The calls of TSimUnit the tests make, on a simulator in another process.
class TRemoteSimUnit {
public:
    explicit TRemoteSimUnit(TSimControlClient& Control) : FControl(Control) {}

    void SetRevision(int Revision);
    void SetVersionText(std::optional<std::string> Text);
    std::string Value(std::string_view Key) const;
    void SetValue(std::string_view Key, const std::string& Value);
    void ResetStore();
    void SetCommitFails(bool Fails);
    int CommitCount() const;
    void AddFault(const TSimFault& Fault);
    void ClearFaults();
    void SetReplyDelay(int Ms);
    std::vector<std::string> Commands() const;
    std::size_t CommandCount() const;
    bool WaitForCommands(std::size_t Count, int TimeoutMs) const;
    void ClearCommands();

private:
    TSimControlClient& FControl;
};

class TRemoteSimModem {
public:
    explicit TRemoteSimModem(TSimControlClient& Control) : FControl(Control) {}
    std::vector<std::string> Lines() const;

private:
    TSimControlClient& FControl;
};

class TSimulator {
public:
    // Throws std::runtime_error when every simulator wine-test.sh started is
    // taken, or the one taken cannot be made so.
    explicit TSimulator(const TSimOptions& Options = {});
    ~TSimulator();
    TSimulator(const TSimulator&) = delete;
    TSimulator& operator=(const TSimulator&) = delete;

    const std::string& SlavePath() const { return FPort; } // "COM20"
    TRemoteSimUnit& Unit() { return *FUnit; }
    bool HasModem() const { return FModem != nullptr; }
    TRemoteSimModem& Modem(); // throws std::logic_error without a modem

private:
    std::size_t FSlot;
    std::string FPort;
    std::unique_ptr<TSimControlClient> FControl;
    std::unique_ptr<TRemoteSimUnit> FUnit;
    std::unique_ptr<TRemoteSimModem> FModem;
};

// The modem of kFastModemVariants.
TSimModemConfig FastModem();
