#include "sim/SimUnit.h"

#include <stdexcept>

namespace {
// Longer command lines are cut to this and refused: a unit has a small buffer,
// and a flood of bytes without CR must not grow the simulator without bound.
constexpr size_t kMaxLine = 4096;
const std::string kNoCarrier = "\r\nNO CARRIER\r\n";
} // namespace

TSimUnit::TSimUnit() = default;

void TSimUnit::SetRevision(int revision) {
    std::lock_guard lock(FMutex);
    FRevision = revision;
}

int TSimUnit::Revision() const {
    std::lock_guard lock(FMutex);
    return FRevision;
}

int TSimUnit::Generation() const {
    std::lock_guard lock(FMutex);
    return FRevision <= 18 ? 1 : FRevision <= 36 ? 2 : 0;
}

void TSimUnit::SetVersionText(std::optional<std::string> text) {
    std::lock_guard lock(FMutex);
    FVersionText = std::move(text);
}

std::string TSimUnit::VersionText() const {
    std::lock_guard lock(FMutex);
    return FVersionText.value_or("ORBELIN REV 07." + std::to_string(FRevision));
}

std::string TSimUnit::Value(std::string_view key) const {
    std::lock_guard lock(FMutex);
    const TSimParam* p = FStore.Find(key);
    if (!p)
        throw std::out_of_range("unknown unit parameter: " + std::string(key));
    return FStore.Get(*p);
}

void TSimUnit::SetValue(std::string_view key, std::string value) {
    std::lock_guard lock(FMutex);
    const TSimParam* p = FStore.Find(key);
    if (!p)
        throw std::out_of_range("unknown unit parameter: " + std::string(key));
    FStore.Set(*p, std::move(value));
}

void TSimUnit::ResetStore() {
    std::lock_guard lock(FMutex);
    FStore.Reset();
}

void TSimUnit::SetCommitFails(bool fails) {
    std::lock_guard lock(FMutex);
    FCommitFails = fails;
}

int TSimUnit::CommitCount() const {
    std::lock_guard lock(FMutex);
    return FCommits;
}

void TSimUnit::AddFault(const TSimFault& fault) {
    std::lock_guard lock(FMutex);
    FFaults.push_back(fault);
}

void TSimUnit::ClearFaults() {
    std::lock_guard lock(FMutex);
    FFaults.clear();
}

void TSimUnit::SetReplyDelay(int ms) {
    std::lock_guard lock(FMutex);
    FReplyDelayMs = ms < 0 ? 0 : ms;
}

void TSimUnit::SetEcho(bool echo) {
    std::lock_guard lock(FMutex);
    FEcho = echo;
}

void TSimUnit::SendUnsolicited(std::string bytes) {
    {
        std::lock_guard lock(FMutex);
        Enqueue(TSimClock::now(), std::move(bytes));
    }
    Wake();
}

void TSimUnit::SendNoCarrier() {
    SendUnsolicited(kNoCarrier);
}

void TSimUnit::SetNoCarrierAfterIdle(int ms) {
    {
        std::lock_guard lock(FMutex);
        FIdleNoCarrierMs = ms < 0 ? 0 : ms;
        FLastInput = TSimClock::now();
    }
    Wake();
}

void TSimUnit::DropLine() {
    {
        std::lock_guard lock(FMutex);
        Enqueue(TSimClock::now(), {}, true);
    }
    Wake();
}

std::vector<std::string> TSimUnit::Commands() const {
    return FLog.All();
}
size_t TSimUnit::CommandCount() const {
    return FLog.Count();
}
bool TSimUnit::WaitForCommands(size_t n, int timeoutMs) const {
    return FLog.WaitFor(n, timeoutMs);
}
void TSimUnit::ClearCommands() {
    FLog.Clear();
}

void TSimUnit::SetHooks(std::function<void()> wake, TSimTrace trace) {
    std::lock_guard lock(FMutex);
    FWake = std::move(wake);
    FTrace = std::move(trace);
}

void TSimUnit::Wake() const {
    // Set once before the serving thread starts and never changed after.
    if (FWake)
        FWake();
}

void TSimUnit::Receive(std::string_view bytes, TSimClock::time_point now) {
    std::lock_guard lock(FMutex);
    FLastInput = now;
    std::string echo;
    for (const char c : bytes) {
        if (c == '\n')
            continue;
        if (FEcho && (c == '\b' || c == '\x7F')) {
            if (!FLine.empty()) {
                FLine.pop_back();
                echo += "\b \b";
            }
            continue;
        }
        if (c == '\r') {
            if (FEcho)
                echo += "\r\n";
            if (!echo.empty())
                Enqueue(now, std::move(echo));
            echo.clear();
            if (!FLine.empty() || FOverflow)
                Command(FLine, FOverflow, now);
            FLine.clear();
            FOverflow = false;
            continue;
        }
        if (FEcho)
            echo += c;
        if (FLine.size() < kMaxLine)
            FLine += c;
        else
            FOverflow = true;
    }
    if (!echo.empty())
        Enqueue(now, std::move(echo));
}

const TSimFault* TSimUnit::MatchFault(const std::string& line) {
    // Every fault counts the commands it matches on its own; the first one
    // due fires. Exhausted faults are removed by the caller after copying.
    const TSimFault* fired = nullptr;
    for (TSimFault& f : FFaults) {
        const bool matches =
            f.Command.empty() || (f.Exact ? line == f.Command : line.starts_with(f.Command));
        if (!matches)
            continue;
        if (f.Skip > 0) {
            --f.Skip;
            continue;
        }
        if (fired || f.Count == 0)
            continue;
        fired = &f;
        if (f.Count > 0)
            --f.Count;
    }
    return fired;
}

void TSimUnit::Command(const std::string& line, bool overflow, TSimClock::time_point now) {
    FLog.Add(line);
    if (FTrace)
        FTrace("unit", line);

    std::optional<TSimFault> fault;
    if (const TSimFault* f = MatchFault(line))
        fault = *f;
    std::erase_if(FFaults, [](const TSimFault& f) { return f.Count == 0; });

    auto due = now + std::chrono::milliseconds(FReplyDelayMs);
    if (fault) {
        switch (fault->Kind) {
        case TSimFaultKind::NoAnswer:
            return;
        case TSimFaultKind::DropLine:
            EnqueueReply(due, {}, true);
            return;
        case TSimFaultKind::Error:
            EnqueueReply(due, "ERROR\r\n");
            return;
        case TSimFaultKind::Garbage:
            EnqueueReply(due, fault->Bytes);
            return;
        case TSimFaultKind::LongLine:
            EnqueueReply(due, std::string(fault->Size, 'A'));
            return;
        case TSimFaultKind::Late:
            due = now + std::chrono::milliseconds(fault->DelayMs);
            break;
        case TSimFaultKind::NoOk:
        case TSimFaultKind::NoCarrier:
        case TSimFaultKind::Keep:
        case TSimFaultKind::Clamp:
            break;
        }
    }
    std::optional<std::string> kept;
    if (fault && fault->Kind == TSimFaultKind::Clamp)
        kept = fault->Bytes;
    const bool keeps =
        fault && (fault->Kind == TSimFaultKind::Keep || fault->Kind == TSimFaultKind::Clamp);
    std::string reply =
        overflow ? std::string("ERROR\r\n") : Execute(line, keeps ? &kept : nullptr);
    if (fault && fault->Kind == TSimFaultKind::NoOk && reply.ends_with("OK\r\n"))
        reply.resize(reply.size() - 4);
    EnqueueReply(due, std::move(reply));
    if (fault && fault->Kind == TSimFaultKind::NoCarrier)
        EnqueueReply(due, kNoCarrier);
}

void TSimUnit::Enqueue(TSimClock::time_point due, std::string bytes, bool drop) {
    // Equal times keep their order: a multimap inserts after equal keys.
    FPending.emplace(due, TOut{std::move(bytes), drop});
}

void TSimUnit::EnqueueReply(TSimClock::time_point due, std::string bytes, bool drop) {
    // Replies leave in the order of their commands, even behind a late one.
    if (due < FLastReplyDue)
        due = FLastReplyDue;
    FLastReplyDue = due;
    Enqueue(due, std::move(bytes), drop);
}

std::string TSimUnit::TakeDue(TSimClock::time_point now, bool& drop) {
    std::lock_guard lock(FMutex);
    std::string out;
    drop = false;
    while (!FPending.empty() && FPending.begin()->first <= now) {
        TOut item = std::move(FPending.begin()->second);
        FPending.erase(FPending.begin());
        out += item.Bytes;
        if (item.Drop) {
            drop = true;
            return out;
        }
    }
    if (FIdleNoCarrierMs > 0 && now >= FLastInput + std::chrono::milliseconds(FIdleNoCarrierMs)) {
        FIdleNoCarrierMs = 0;
        out += kNoCarrier;
    }
    return out;
}

std::optional<TSimClock::time_point> TSimUnit::NextDue() const {
    std::lock_guard lock(FMutex);
    std::optional<TSimClock::time_point> next;
    if (!FPending.empty())
        next = FPending.begin()->first;
    if (FIdleNoCarrierMs > 0) {
        const auto idle = FLastInput + std::chrono::milliseconds(FIdleNoCarrierMs);
        if (!next || idle < *next)
            next = idle;
    }
    return next;
}
