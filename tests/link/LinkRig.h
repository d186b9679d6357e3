#pragma once
// What the link and device tests share: stand-in targets for the screen, a
// reader of the UI-update queue that keeps a copy of everything posted, and
// a scripted device object that runs a test's exchanges in the link thread.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TestClock.h"
#include "link/xModem.h"
#include "queue/OutArray.h"
#include "queue/Protocol.h"
#include "queue/UiTargets.h"

// A control reference that is never dereferenced: the queue only carries it.
TControlRef FakeControl(std::uintptr_t N);

// One element taken off the queue. Memo texts lose their date-and-time stamp,
// which Stamped remembers.
struct TPosted {
    std::uint8_t Kind = 0;
    TControlRef Control = nullptr;
    std::string Text;
    bool ToMemo = false;
    bool Stamped = false;
};

// The window's targets as stand-ins (FakeControl 1..7), the disconnect
// button enabled.
const TUiTargets& RigScreen();

// The consumer side of the queue, on the test thread. An event of the device
// is kept as what it shows on Screen (ShowUnitEvent), each step an element.
class TQueueLog {
public:
    explicit TQueueLog(TOutArray& Out, const TUiTargets& Screen = RigScreen())
        : FOut(Out), FScreen(Screen) {}

    const std::vector<TPosted>& All(); // everything posted so far, in order
    // Memo lines (kind 1), without stamps.
    std::vector<std::string> Memo();
    // The Index-th memo line with its flags.
    TPosted MemoLine(int Index);
    // Index of the first memo line from From on that begins with Prefix, -1 if none.
    int Find(const std::string& Prefix, int From = 0);
    // Index of the first memo line from From on that is exactly Text, -1 if none.
    int FindExact(const std::string& Text, int From = 0);
    // Texts posted to one control (kind 2), in order.
    std::vector<std::string> TextsFor(TControlRef Control);
    // Waits (draining) until Pred holds; false when TimeoutMs passed first.
    bool WaitUntil(const std::function<bool()>& Pred, int TimeoutMs);

private:
    void Drain();
    TOutArray& FOut;
    const TUiTargets& FScreen;
    std::vector<TPosted> FAll;
};

// The window's targets as RigScreen, with the indicator's state and the
// disconnect button's enabling of the rig's own.
struct TRigTargets {
    TRigTargets();
    TRigTargets(const TRigTargets&) = delete;
    TRigTargets& operator=(const TRigTargets&) = delete;
    std::atomic<std::int32_t> WriteState{csNone};
    std::atomic<bool> DisconnectEnabled{true};
    TUiTargets Targets;
};

// A device object whose connect step runs a test's script in the link thread.
// Idle passes drain the input and wait briefly, as a real device does.
class TScriptDevice : public TDevice {
public:
    using TScript = std::function<void(TModem& Link)>;

    void SetLink(TModem* Link) { FLink = Link; }
    // Runs after a successful ConnectModem; Mode goes to 0 afterwards.
    TScript OnConnect;
    // An idle pass that fails posts the error to the memo, as the device
    // object does, before it ends the link (off: it only ends the link).
    bool ReportIdleFailures = false;
    std::atomic<int> Dispatches{0};

    void Dispatch(std::uint8_t Code) override;

private:
    TModem* FLink = nullptr;
};

// Runs against the instant simulated unit: the pauses take a hundredth of
// their time, and a reply is waited for as long as the protocol waits for
// the unit (4500 ms). That wait ends when the reply comes, so it costs a run
// nothing but where the unit is meant to stay silent; and a loaded machine
// has been seen to hand a pseudo-terminal's bytes on over two seconds late.
constexpr double kRigPauseScale = 0.01;
constexpr double kRigReplyScale = 1.0;
// For runs in which a reply wait is meant to run out (a unit that stays
// silent or answers without the end mark, the modem's wake-up): the waits
// the operator's exchanges meet there are then 450 ms.
constexpr double kRigShortReplyScale = 0.1;

// A link thread to PortName for Device, at the given time scale (and the
// given one for its waits for an answer, when not 0; see TModem).
std::unique_ptr<TModem> MakeLink(const std::string& PortName, const std::string& Phone,
                                 TOutArray& Out, TDevice& Device, double Scale,
                                 bool WaitReg = false, double ReplyScale = 0);
