#pragma once
// TModem: the link thread. It owns the serial port, places and ends a GSM data
// call when a phone number was given, and then hands control, pass after pass,
// to the device object, which runs its exchanges through the operations here.
// Everything the operator sees goes through the UI-update queue.
//
// Threading: constructed, resumed, terminated and destroyed by the GUI thread,
// which may also set Mode at any time. Every other operation runs in the link
// thread itself (the device object calls them from Dispatch).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/ReplyBuffer.h"
#include "link/ReplyCheck.h"
#include "queue/OutArray.h"
#include "queue/Protocol.h"
#include "serial/WakeSignal.h"
#include "serial/XComDrv.h"
#include "toolkit/Thread.h"

class TModem : public TThread {
public:
    // Replies and drained input are kept up to this many bytes; what comes
    // beyond is read and dropped, and the memo says how much.
    static constexpr std::size_t ReplyLimit = 64 * 1024;
    // The longest any wait blocks before it looks at the termination request
    // (and, idle, at Mode) again: short enough that a request ends a wait
    // within 20 ms, long enough that an idle link costs well under 1 % CPU.
    static constexpr int WaitSliceMs = 15;
    // After a reply wait that gave up, the line counts as settled once it
    // has been quiet this long after the last byte the unit sent (before the
    // time scale): far longer than the gaps inside one reply at 19200 bit/s,
    // far shorter than a reply wait.
    static constexpr int SettleQuietMs = 200;

    TModem(const std::string& PortName, const std::string& Phone, TOutArray& Out, TDevice& Device,
           bool WaitReg);
    ~TModem() override;

    std::uint8_t Mode() const { return FMode.load(std::memory_order_acquire); }
    void SetMode(std::uint8_t Value) {
        FMode.store(Value, std::memory_order_release);
        FWake.Raise();
    }
    bool CallActive() const { return FCallActive; }
    bool IsTerminated() const { return Terminated(); }
    // The phone number as kept after filtering; empty for a cable link.
    const std::string& Phone() const { return FPhone; }
    const std::string& PortName() const { return FPortName; }

    // Every fixed pause and timeout of the link and of the device object is
    // multiplied by Scale. Only tests set it, before Resume; default 1. The
    // waits for an answer from the other end take ReplyScale instead when it
    // is given: such a wait ends when the answer comes, so a run can keep the
    // protocol's own and still shorten its pauses.
    void SetTimeScaleForTests(double Scale, double ReplyScale = 0) {
        FTimeScale = Scale;
        FReplyScale = ReplyScale > 0 ? ReplyScale : Scale;
    }
    double TimeScale() const { return FTimeScale; }
    // Milliseconds after the time scale, and after the answer waits' scale.
    int Scaled(int Ms) const;
    int ScaledReplyWait(int Ms) const;

    // One memo line: Show puts it on the debug memo (else the log only),
    // Stamp puts the date and time in front.
    void PostLine(const std::string& Text, bool Show, bool Stamp);

    // One command exchange with retries; true when it FAILED. Reply holds the
    // text of the last attempt. Raw sends the command without the closing CR;
    // an empty EndMark means CR LF; StrictEnd fails a reply without the mark.
    // A reply that reports the line lost ends the tries. OnAttempt, when
    // given, learns the number of each try (from 1) as it goes out, so that
    // a long wait can say which try it is in.
    bool SendCommand(const std::string& Command, std::string& Reply, bool Raw, bool StrictEnd,
                     const std::string& EndMark, int TimeoutMs, int Attempts,
                     const std::function<void(int)>& OnAttempt = {});
    // Collects input until EndMark (letters compared case-insensitively) is
    // in it or TimeoutMs have passed since the start; true when it was seen.
    bool ReadUntil(std::string& Reply, int TimeoutMs, const std::string& EndMark);
    // Collects input until all of it equals one of Words (case-insensitively)
    // or TimeoutMs have passed; true when it did.
    bool ReadUntilAny(std::string& Reply, const std::vector<std::string>& Words, int TimeoutMs);
    // Reads what is pending, logs it and watches it for a lost call.
    void DrainInput();
    // True when the reply is good; Code 0 good, 1 failure, 2 "ERROR" (ckLink).
    bool CheckReply(bool NoReply, const std::string& Reply, int& Code, TReplyKind Kind);

    // What the operator is to be told about a lost line or port, once the
    // link stopped because of one; empty otherwise. The first loss counts.
    const std::string& LineLost() const { return FLineLost; }
    // The port failed (Reason: the component's message): the link stops.
    void LoseLine(const std::string& Reason);

    void DropRTS();
    void RaiseRTS();
    void OpenPort();
    void ClosePort();

    // The GSM data call: true when the link is ready for the unit (at once
    // over a cable); false after a failed dialogue, with termination requested.
    bool ConnectModem();
    // Ends the call and resets the modem; runs although termination was
    // requested. Bounded (BoundHangUp) it takes no longer than
    // HangUpLimitMs() as a whole and still sends "+++" and "ATH".
    void HangUp();

    // The silence before "+++" and, bounded, the time left after it for the
    // modem's answers (before the time scales).
    static constexpr int HangUpGuardMs = 2000;
    static constexpr int HangUpAnswersMs = 2000;
    // The bounded hang-up's whole time, after the time scales.
    int HangUpLimitMs() const;
    // The hang-up still to come is bounded: for a program being stopped,
    // which has only so long before it is ended. Any thread.
    void BoundHangUp() { FHangUpBounded.store(true, std::memory_order_release); }

    // The idle step's wait: blocks for up to TimeoutMs (not time-scaled) and
    // returns at once on a termination request, on a change of Mode and,
    // with WakeOnInput, on pending input. One blocking wait, no polling, so
    // an idle link costs nothing. Raises EDeviceError when the port fails.
    void IdleWait(int TimeoutMs, bool WakeOnInput);

protected:
    void Execute() override;
    void TerminateRequested() override { FWake.Raise(); }

private:
    // A wait of Ms (time-scaled) that ends early on a termination request,
    // unless the hang-up is running.
    void Pause(int Ms);
    // A termination request that the current wait must obey.
    bool StopRequested(bool EvenWhileHangingUp) const;
    // The shared wait of ReadUntil and ReadUntilAny: until Buffer saw its
    // end mark or, with Words (Windows-1251), until all input equals one.
    bool Collect(TReplyBuffer& Buffer, std::string& Reply, int TimeoutMs, bool EvenWhileHangingUp,
                 const std::vector<std::string>* Words);
    // Reads at most one chunk of what the driver holds into Buffer; false
    // when it held nothing.
    bool ReadChunk(TReplyBuffer& Buffer);
    // The collected text for the caller, after saying in the memo what the
    // length limit cut off.
    std::string TakeText(const TReplyBuffer& Buffer);
    void ShowOnSplash(const std::string& Text);
    // A connection attempt's step failed: Failure, with its subject.
    void ShowFailure(TLinkFailure Failure, const std::string& Subject = {},
                     const std::string& Text = {}, int Try = 0, int Tries = 0);
    void ReportReadError(const std::exception& Error);
    bool PortUsable() const { return FComm->Connected() && !FPortFailed; }
    // The modem exchange of "ATZ", "AT+CBST=7,0,1" and "AT": true when the
    // step failed. Flag is set when no reply with an end mark came.
    bool ModemStep(const std::string& Command, bool& Flag);
    // Collects input for Ms (time-scaled) and posts it as it stands.
    void CollectAndPost(int Ms);
    // The unit, not the modem, is at the other end: a cable link, or a data
    // call that is up and not being hung up.
    bool UnitOnLine() const { return !FHangingUp && (FPhone.empty() || FCallActive); }
    // A reply wait of TimeoutMs ended without its end mark; Heard: something
    // came in it. The unit may still be answering, so the next command waits
    // for the line to settle first.
    void OweSettle(int TimeoutMs, bool Heard);
    // Before a command: if a settle is owed, reads until the line has been
    // quiet for SettleQuietMs after the unit's last byte, for at most one
    // reply wait after the wait that gave up. When the unit said nothing
    // through the last settle either, it is not answering at all, and the
    // settle is only the quiet spell: each command need not wait for it
    // twice. What comes is drained as unsolicited input, never taken for
    // the next command's reply. Only a retry of the same command may take
    // it: with RetryMark (Windows-1251) given, input that holds that end
    // mark is the late reply of the try before, handed back in Reply (true).
    bool Settle(const std::string* RetryMark, std::string& Reply);
    // Logs input no exchange asked for and watches it for a lost call.
    void PostUnsolicited(const TReplyBuffer& Buffer);

    // Raised by a new Mode and by a termination request; ends IdleWait.
    TWakeSignal FWake;
    std::atomic<std::uint8_t> FMode{0};
    bool FHangingUp = false;
    std::atomic<bool> FHangUpBounded{false};
    TOutArray& FOut;
    std::unique_ptr<TXComm> FComm;
    TDevice& FDevice;
    bool FWaitReg;
    std::string FPhone;
    std::string FPortName;
    bool FCallActive = false;
    // A read or write has failed (a pulled adapter, a dropped line): the
    // port is then treated as closed, so the failure is reported once and
    // not again by every exchange of the hang-up.
    bool FPortFailed = false;
    double FTimeScale = 1.0;
    std::string FLineLost;
    bool FSettleOwed = false;
    bool FSettleHeard = false; // the reply wait that gave up received something
    std::chrono::steady_clock::time_point FSettleUntil{};
    std::chrono::steady_clock::time_point FLastInput{}; // when the last byte came in
    bool FUnitSilent = false; // nothing at all came through the last settle
    double FReplyScale = 1.0;
};
