// TModem: the command exchange and the waits for input. Text is UTF-8 inside
// the program and Windows-1251 on the line: commands are encoded here on the
// way out and replies decoded on the way in, nowhere else.

#include <algorithm>
#include <chrono>

#include "link/xModem.h"
#include "toolkit/Cp1251.h"
#include "toolkit/TextUtil.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr int kChunk = 4096; // bytes taken from the driver in one read

} // namespace

bool TModem::ReadChunk(TReplyBuffer& Buffer) {
    const std::uint32_t queued = FComm->InQueue();
    if (queued == 0)
        return false;
    char chunk[kChunk];
    const std::uint32_t got = FComm->Read(chunk, std::min<std::uint32_t>(queued, kChunk), 0);
    Buffer.Append(std::string_view(chunk, got));
    if (got == 0)
        return false;
    FLastInput = TClock::now();
    FUnitSilent = false;
    return true;
}

std::string TModem::TakeText(const TReplyBuffer& Buffer) {
    if (Buffer.Dropped() != 0)
        PostLine(" # Слишком длинный ответ: отброшено " + std::to_string(Buffer.Dropped()) +
                     " байт сверх " + std::to_string(ReplyLimit),
                 true, true);
    return Cp1251ToUtf8(Buffer.Kept());
}

void TModem::ReportReadError(const std::exception& Error) {
    PostLine(std::string(" # !!! Ошибка при чтении данных из COM-порта: ") + PortErrorText(Error),
             true, true);
    FPortFailed = FComm->Connected();
    LoseLine(PortErrorText(Error));
}

void TModem::LoseLine(const std::string& Reason) {
    if (FLineLost.empty())
        FLineLost = "ОШИБКА! Связь с COM-портом потеряна: " + Reason;
    Terminate();
}

bool TModem::Collect(TReplyBuffer& Buffer, std::string& Reply, int TimeoutMs,
                     bool EvenWhileHangingUp, const std::vector<std::string>* Words) {
    const auto start = TClock::now();
    const auto limit = std::chrono::milliseconds(ScaledReplyWait(TimeoutMs));
    bool done = false;
    if (FPortFailed)
        return false;
    try {
        for (;;) {
            const auto elapsed = TClock::now() - start;
            if (elapsed > limit || StopRequested(EvenWhileHangingUp))
                break;
            const bool got = ReadChunk(Buffer);
            if (!Words)
                done = Buffer.MarkSeen();
            else if (got)
                done = std::any_of(Words->begin(), Words->end(), [&](const std::string& w) {
                    return SameTextAscii(Buffer.Kept(), w);
                });
            if (done)
                break;
            // More than the limit must pass: wait until just beyond it.
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(limit - elapsed).count();
            FComm->WaitForInput(static_cast<int>(std::clamp<long long>(left + 1, 1, WaitSliceMs)));
        }
    } catch (const std::exception& e) {
        ReportReadError(e);
    }
    Reply = TakeText(Buffer);
    return done;
}

bool TModem::ReadUntil(std::string& Reply, int TimeoutMs, const std::string& EndMark) {
    Reply.clear();
    TReplyBuffer buffer(ReplyLimit, Utf8ToCp1251Lossy(EndMark));
    return Collect(buffer, Reply, TimeoutMs, false, nullptr);
}

bool TModem::ReadUntilAny(std::string& Reply, const std::vector<std::string>& Words,
                          int TimeoutMs) {
    Reply.clear();
    std::vector<std::string> wire;
    for (const std::string& w : Words)
        wire.push_back(Utf8ToCp1251Lossy(w));
    TReplyBuffer buffer(ReplyLimit);
    return Collect(buffer, Reply, TimeoutMs, true, &wire);
}

void TModem::DrainInput() {
    if (!PortUsable())
        return;
    TReplyBuffer buffer(ReplyLimit);
    try {
        // At most one reply's worth per call: a line that never falls silent
        // must not keep the link thread here; the rest waits for the next drain.
        while (!StopRequested(false) && buffer.Total() < ReplyLimit && ReadChunk(buffer)) {
        }
    } catch (const std::exception& e) {
        ReportReadError(e);
    }
    PostUnsolicited(buffer);
}

void TModem::PostUnsolicited(const TReplyBuffer& Buffer) {
    if (Buffer.Empty())
        return;
    const std::string text = TakeText(Buffer);
    PostLine("<<<<- " + text, false, false);
    int code = 0;
    CheckReply(false, text, code, ckLink);
}

void TModem::OweSettle(int TimeoutMs, bool Heard) {
    if (!UnitOnLine())
        return;
    FSettleOwed = true;
    FSettleHeard = Heard;
    const int longest = FUnitSilent && !Heard ? SettleQuietMs : TimeoutMs;
    FSettleUntil = TClock::now() + std::chrono::milliseconds(ScaledReplyWait(longest));
}

bool TModem::Settle(const std::string* RetryMark, std::string& Reply) {
    if (!FSettleOwed)
        return false;
    FSettleOwed = false;
    if (!PortUsable() || !UnitOnLine())
        return false;
    const auto quiet = std::chrono::milliseconds(ScaledReplyWait(SettleQuietMs));
    TReplyBuffer buffer(ReplyLimit, RetryMark ? std::string_view(*RetryMark) : std::string_view());
    bool heard = FSettleHeard;
    try {
        while (!StopRequested(false)) {
            const auto now = TClock::now();
            // Until the unit has said something, it may still be about to.
            const auto end = heard ? std::min(FSettleUntil, FLastInput + quiet) : FSettleUntil;
            if (now >= end)
                break;
            if (ReadChunk(buffer)) {
                heard = true;
                continue;
            }
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now).count();
            FComm->WaitForInput(static_cast<int>(std::clamp<long long>(left, 1, WaitSliceMs)));
        }
    } catch (const std::exception& e) {
        ReportReadError(e);
    }
    if (!heard)
        FUnitSilent = true;
    if (buffer.MarkSeen()) {
        Reply = TakeText(buffer);
        return true;
    }
    PostUnsolicited(buffer);
    return false;
}

bool TModem::SendCommand(const std::string& Command, std::string& Reply, bool Raw, bool StrictEnd,
                         const std::string& EndMark, int TimeoutMs, int Attempts,
                         const std::function<void(int)>& OnAttempt) {
    Reply.clear();
    if (!PortUsable())
        return true;
    PostLine("-> " + Command, true, false);
    if (const auto problem = WireTextProblem(Command)) {
        PostLine(" # !!! Команда не отправлена: " + *problem, true, true);
        return true;
    }
    const std::string wire = Utf8ToCp1251(Command).Bytes + (Raw ? "" : "\r");
    const std::string mark = EndMark.empty() ? std::string("\r\n") : EndMark;
    const std::string wireMark = Utf8ToCp1251Lossy(mark);
    bool failed = true;
    try {
        for (int n = 1; n <= Attempts && !StopRequested(false); ++n) {
            Pause(100);
            // A try that gave up may still get its answer before the next.
            if (Settle(n > 1 ? &wireMark : nullptr, Reply)) {
                PostLine(" <<- " + Reply, true, false);
                failed = false;
                break;
            }
            DrainInput();
            if (StopRequested(false)) {
                failed = true;
                break;
            }
            Reply.clear();
            if (Attempts != 1)
                PostLine(" # Попытка № " + std::to_string(n), true, true);
            if (OnAttempt)
                OnAttempt(n);
            // A command written only in part fails by its reply timeout.
            FComm->WriteString(wire);
            const bool seen = ReadUntil(Reply, TimeoutMs, mark);
            PostLine(" <<- " + Reply, true, false);
            if (seen) {
                failed = false;
                break;
            }
            failed = Reply.empty() || StrictEnd;
            if (!failed)
                PostLine(" <- " + Reply, true, false);
            OweSettle(TimeoutMs, !Reply.empty());
            // A line that is gone does not come back for another try; the
            // caller's judgement of this reply reports it.
            if (ReportsLineLost(Reply))
                break;
        }
    } catch (const std::exception& e) {
        PostLine(std::string(" # !!! Ошибка при отправке команды COM-порту: ") + PortErrorText(e),
                 true, true);
        FPortFailed = FComm->Connected();
        LoseLine(PortErrorText(e));
        return true;
    }
    return failed;
}

bool TModem::CheckReply(bool NoReply, const std::string& Reply, int& Code, TReplyKind Kind) {
    const TReplyVerdict verdict = ClassifyReply(NoReply, Reply, Kind);
    if (verdict.Message)
        PostLine(verdict.Message, true, true);
    if (verdict.Terminate) {
        if (Kind == ckLink && FLineLost.empty())
            FLineLost = verdict.Message;
        Terminate();
    }
    Code = verdict.Code;
    return Code == 0;
}
