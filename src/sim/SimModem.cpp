#include "sim/SimModem.h"

#include <algorithm>

#include "toolkit/TextUtil.h"

namespace {
// A modem's command buffer is small; what does not fit is dropped.
constexpr size_t kMaxCommandLine = 256;

template <typename T> T Pick(const std::vector<T>& answers, size_t& uses) {
    if (answers.empty())
        return T{};
    const T& r = answers[std::min(uses, answers.size() - 1)];
    ++uses;
    return r;
}

std::string WithoutBlanks(std::string_view s) {
    std::string r;
    for (char c : s)
        if (c != ' ')
            r += c;
    return r;
}
} // namespace

TSimModem::TSimModem(TSimModemConfig config) : FConfig(std::move(config)), FEcho(FConfig.Echo) {}

void TSimModem::Configure(const TSimModemConfig& config) {
    std::lock_guard lock(FMutex);
    FConfig = config;
    FEcho = config.Echo;
    FAtzUses = FCbstUses = FAtUses = FCregUses = FDialUses = 0;
}

TSimModemConfig TSimModem::Config() const {
    std::lock_guard lock(FMutex);
    return FConfig;
}

bool TSimModem::DropCall() {
    {
        std::lock_guard lock(FMutex);
        if (FState != TState::Data && FState != TState::Online)
            return false;
        EndCall(true);
    }
    Wake();
    return true;
}

bool TSimModem::CallActive() const {
    std::lock_guard lock(FMutex);
    return FState == TState::Data || FState == TState::Online;
}

bool TSimModem::InDataMode() const {
    std::lock_guard lock(FMutex);
    return FState == TState::Data;
}

std::vector<std::string> TSimModem::Lines() const {
    return FLog.All();
}
size_t TSimModem::LineCount() const {
    return FLog.Count();
}
bool TSimModem::WaitForLines(size_t n, int timeoutMs) const {
    return FLog.WaitFor(n, timeoutMs);
}
void TSimModem::ClearLines() {
    FLog.Clear();
}

void TSimModem::SetHooks(std::function<void()> wake, TSimTrace trace) {
    std::lock_guard lock(FMutex);
    FWake = std::move(wake);
    FTrace = std::move(trace);
}

void TSimModem::Wake() const {
    // Set once before the serving thread starts and never changed after.
    if (FWake)
        FWake();
}

void TSimModem::FromLine(std::string_view bytes, TSimClock::time_point now, std::string& toUnit) {
    std::lock_guard lock(FMutex);
    for (const char c : bytes) {
        switch (FState) {
        case TState::Data:
            DataByte(c, now, toUnit);
            break;
        case TState::Dialing:
            // Any character aborts a dial in progress and is itself discarded.
            FState = TState::Command;
            Result("NO CARRIER");
            break;
        case TState::Command:
        case TState::Online:
            CommandByte(c, now);
            break;
        }
    }
}

void TSimModem::FromUnit(std::string_view bytes) {
    std::lock_guard lock(FMutex);
    if (FState == TState::Data)
        FOut += bytes;
}

void TSimModem::PortOpened(TSimClock::time_point now) {
    std::lock_guard lock(FMutex);
    if (FConfig.CpinDelayMs >= 0)
        FCpinDue = now + std::chrono::milliseconds(FConfig.CpinDelayMs);
}

void TSimModem::Tick(TSimClock::time_point now, std::string& toUnit) {
    std::lock_guard lock(FMutex);
    if (FState == TState::Dialing && now >= FDialDue) {
        Result(FDialResult);
        if (FDialResult.starts_with("CONNECT"))
            Connect(now);
        else
            FState = TState::Command;
    }
    if (FState == TState::Data && FPlus > 0 &&
        now >= FLastData + std::chrono::milliseconds(FConfig.GuardMs)) {
        if (FPlus == 3) {
            FState = TState::Online;
            FLog.Add("+++");
            if (FTrace)
                FTrace("modem", "+++");
            Result("OK");
        } else {
            toUnit.append(static_cast<size_t>(FPlus), '+');
        }
        FPlus = 0;
    }
    if (FCpinDue && now >= *FCpinDue) {
        FCpinDue.reset();
        if (FState != TState::Data)
            FOut += FConfig.CpinText;
    }
    if (FDropDue && now >= *FDropDue) {
        FDropDue.reset();
        if (FState == TState::Data || FState == TState::Online)
            EndCall(true);
    }
}

std::string TSimModem::TakeLineOutput() {
    std::lock_guard lock(FMutex);
    std::string out;
    out.swap(FOut);
    return out;
}

std::optional<TSimClock::time_point> TSimModem::NextDue() const {
    std::lock_guard lock(FMutex);
    std::optional<TSimClock::time_point> next;
    auto consider = [&next](TSimClock::time_point t) {
        if (!next || t < *next)
            next = t;
    };
    if (FState == TState::Dialing)
        consider(FDialDue);
    if (FState == TState::Data && FPlus > 0)
        consider(FLastData + std::chrono::milliseconds(FConfig.GuardMs));
    if (FCpinDue)
        consider(*FCpinDue);
    if (FDropDue)
        consider(*FDropDue);
    return next;
}

void TSimModem::DataByte(char c, TSimClock::time_point now, std::string& toUnit) {
    const bool quiet = now - FLastData >= std::chrono::milliseconds(FConfig.GuardMs);
    // "+" after a quiet guard time may begin the escape: hold it back from the
    // unit until the escape is either complete or broken.
    if (FPlus > 0) {
        if (c == '+' && FPlus < 3 && !quiet) {
            ++FPlus;
            FLastData = now;
            return;
        }
        toUnit.append(static_cast<size_t>(FPlus), '+');
        FPlus = 0;
    }
    FLastData = now;
    if (c == '+' && quiet) {
        FPlus = 1;
        return;
    }
    toUnit += c;
}

void TSimModem::CommandByte(char c, TSimClock::time_point now) {
    if (FEcho)
        FOut += c;
    if (c == '\n')
        return;
    if (c == '\r') {
        std::string line;
        line.swap(FLine);
        if (!line.empty())
            CommandLine(line, now);
        return;
    }
    if (c == '\b' || c == '\x7F') {
        if (!FLine.empty())
            FLine.pop_back();
        return;
    }
    if (FLine.size() < kMaxCommandLine)
        FLine += c;
}

void TSimModem::CommandLine(const std::string& line, TSimClock::time_point now) {
    FLog.Add(line);
    if (FTrace)
        FTrace("modem", line);
    // Whatever came before "AT" (a stray "+++" in command mode, noise) is ignored.
    const size_t at = FindNoCaseAscii(line, "AT");
    if (at == std::string::npos) {
        Result("ERROR");
        return;
    }
    const std::string cmd = WithoutBlanks(ToUpperAscii(std::string_view(line).substr(at)));
    if (cmd == "AT") {
        StepReply(FConfig.At, FAtUses);
    } else if (cmd == "ATZ" || cmd == "ATZ0") {
        const TSimAtReply r = Pick(FConfig.Atz, FAtzUses);
        if (r == TSimAtReply::Ok) {
            Reset();
            Result("OK");
        } else if (r == TSimAtReply::Error) {
            Result("ERROR");
        }
    } else if (cmd == "ATE0" || cmd == "ATE1" || cmd == "ATE") {
        FEcho = cmd == "ATE1";
        Result("OK");
    } else if (cmd == "AT+CREG?") {
        const std::string answer = Pick(FConfig.Creg, FCregUses);
        if (!answer.empty())
            FOut += "\r\n" + answer + "\r\n\r\nOK\r\n";
    } else if (cmd.starts_with("AT+CBST=")) {
        StepReply(FConfig.Cbst, FCbstUses);
    } else if (cmd == "AT+CPIN?") {
        FOut += "\r\n+CPIN: READY\r\n\r\nOK\r\n";
    } else if (cmd.starts_with("ATD")) {
        Dial(now);
    } else if (cmd == "ATH" || cmd == "ATH0") {
        if (FState == TState::Online)
            EndCall(false);
        Result("OK");
    } else if (cmd == "ATO" || cmd == "ATO0") {
        if (FState == TState::Online) {
            Result(FDialResult);
            FState = TState::Data;
            FLastData = now;
        } else {
            Result("NO CARRIER");
        }
    } else {
        Result("ERROR");
    }
}

void TSimModem::Dial(TSimClock::time_point now) {
    if (FState == TState::Online) {
        Result("ERROR");
        return;
    }
    const std::string result = Pick(FConfig.Dial, FDialUses);
    if (result.empty())
        return;
    FDialResult = result;
    FDialDue = now + std::chrono::milliseconds(FConfig.DialDelayMs);
    FState = TState::Dialing;
}

void TSimModem::Connect(TSimClock::time_point now) {
    FState = TState::Data;
    FLastData = now;
    FPlus = 0;
    if (FConfig.DropAfterMs > 0)
        FDropDue = now + std::chrono::milliseconds(FConfig.DropAfterMs);
}

void TSimModem::EndCall(bool noCarrier) {
    FState = TState::Command;
    FPlus = 0;
    FDropDue.reset();
    if (noCarrier)
        Result("NO CARRIER");
}

void TSimModem::Reset() {
    if (FState == TState::Data || FState == TState::Online)
        EndCall(false);
    FEcho = FConfig.Echo;
}

void TSimModem::Result(std::string_view text) {
    FOut += "\r\n";
    FOut += text;
    FOut += "\r\n";
}

void TSimModem::StepReply(const std::vector<TSimAtReply>& replies, size_t& uses) {
    switch (Pick(replies, uses)) {
    case TSimAtReply::Ok:
        Result("OK");
        break;
    case TSimAtReply::Error:
        Result("ERROR");
        break;
    case TSimAtReply::Silent:
        break;
    }
}
