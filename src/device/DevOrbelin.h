#pragma once
// TDevOrbelin: the Orbelin unit behind the link thread. It runs the request
// the link thread hands it: the connection handshake (firmware version and
// generation), the keep-alive of a data call and the commit that ends every
// write. Its routines are split by concern: DevOrbelin.cpp (requests and the
// standard exchange), DevOrbelin_connect.cpp (handshake, keep-alive),
// DevOrbelin_commit.cpp (commit).
//
// Threading: created on the GUI thread; Dispatch and everything it calls run
// in the link thread. Revision and Generation may be read from any thread.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

#include "OutArray.h"
#include "ReplyValue.h"
#include "UiTargets.h"
#include "device.h"
#include "xModem.h"

class TDevOrbelin : public TDevice {
public:
    TDevOrbelin(TOutArray& Out, const TUiTargets& Targets);

    // The link thread of the coming connection; set before it is resumed.
    // Not owned.
    void SetModem(TModem* Link) { FModem = Link; }

    void Dispatch(std::uint8_t Code) override;

    // Firmware revision and generation from the last version check that
    // yielded a number (41 and 0 before any).
    std::int32_t Revision() const { return FRevision.load(); }
    std::int32_t Generation() const { return FGeneration.load(); }

protected:
    // How long an idle pass waits for input or a new request: long enough
    // that an idle link costs almost nothing, short enough that a request
    // starts at once (the wait ends as soon as Mode changes).
    static constexpr int IdleWaitMs = 50;

    enum class TExchangeResult {
        Answered, // the reply passed CheckReply: its value is ExtractReplyValue(Reply)
        NoAnswer, // nothing came, the port is closed or the link is stopping
        Refused,  // "ERROR", or the link was lost (the link thread then stops)
    };

    // One unit command: its text and CR out, a reply up to "OK\r\n" back.
    TExchangeResult Exchange(const std::string& Command, std::string& Reply);
    void ShowOnSplash(const std::string& Text);

    void Connect();
    void KeepAlive();
    void Commit();

    std::atomic<std::int32_t> FRevision{41};
    TOutArray& FOut;
    TModem* FModem = nullptr;
    std::chrono::steady_clock::time_point FLastKeepAlive{};
    std::int32_t FKeepAliveInterval = 0; // seconds
    std::atomic<std::int32_t> FGeneration{0};
    bool FWriteFailed = false;
    TUiTargets FTargets;

private:
    // Takes the firmware version out of a "+v" reply and, where it holds a
    // revision number, the revision and generation.
    void CheckVersion(const std::string& Reply);
    bool KeepAliveDue() const;
};
