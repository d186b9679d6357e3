// TDevOrbelin: the connection handshake and the keep-alive of a data call.

#include <algorithm>
#include <charconv>

#include "device/DevOrbelin.h"
#include "toolkit/TextUtil.h"

namespace {

const char* const CheckingVersion = "Идёт проверка версии!";
// A silent unit keeps the operator waiting through every try.
constexpr int VersionTries = 3;

// The revision number a version text ends with, after its last ".".
bool RevisionNumber(const std::string& Version, std::int32_t& Number) {
    const std::string text = TrimBlanks(Version);
    const std::size_t dot = text.rfind('.');
    if (dot == std::string::npos)
        return false;
    const char* first = text.data() + dot + 1;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, Number);
    return error == std::errc() && end == last && first != last;
}

} // namespace

void TDevOrbelin::CheckVersion(const std::string& Reply) {
    try {
        const std::string value = ExtractReplyValue(Reply);
        {
            std::lock_guard lock(FVersionLock);
            FVersion = value;
        }
        Post({.Kind = TUnitEvent::TKind::Version, .Text = value});
        if (value.find("REV 07") == std::string::npos) {
            FModem->Terminate();
            ShowFailure(TLinkFailure::WrongFirmware, value);
            return;
        }
        // A version without a readable number keeps what the last one said.
        std::int32_t n = 0;
        if (RevisionNumber(value, n)) {
            FGeneration = n < 19 ? 1 : n < 37 ? 2 : 0;
            FRevision = n;
        }
    } catch (const std::exception&) {
        ShowFailure(TLinkFailure::VersionUnreadable);
        FModem->Terminate();
    }
}

void TDevOrbelin::Connect() {
    TModem& link = *FModem;
    if (!link.ConnectModem())
        return;
    ShowOnSplash(CheckingVersion);
    std::string reply;
    link.SendCommand("+v", reply, false, false, "OK", 4500, VersionTries, [this](int Try) {
        ShowOnSplash(std::string(CheckingVersion) + "\nПопытка " + std::to_string(Try) + " из " +
                     std::to_string(VersionTries));
    });
    if (reply.empty()) {
        ShowFailure(TLinkFailure::NoAnswer);
        link.Terminate();
    } else {
        link.PostLine(" # " + reply, true, true);
        int code = 0;
        link.CheckReply(false, reply, code, ckLink);
        if (code == 1) {
            ShowFailure(TLinkFailure::LinkFault);
            link.Terminate();
        } else {
            CheckVersion(reply);
        }
    }
    link.SetMode(rqIdle);
    if (link.IsTerminated())
        return;
    FLastKeepAlive = std::chrono::steady_clock::now();
    FKeepAliveInterval = link.CallActive() ? 5 : 60;
    FEstablished = true;
    Post({.Kind = TUnitEvent::TKind::Connected, .Generation = FGeneration.load()});
}

std::string TDevOrbelin::Version() const {
    std::lock_guard lock(FVersionLock);
    return FVersion;
}

bool TDevOrbelin::KeepAliveDue() const {
    const std::chrono::duration<double> idle = std::chrono::steady_clock::now() - FLastKeepAlive;
    const auto seconds = static_cast<long long>(idle.count() / FModem->TimeScale());
    return seconds > FKeepAliveInterval;
}

int TDevOrbelin::IdleWaitFor() const {
    if (!FModem->CallActive())
        return IdleWaitMs;
    // Due once more than the interval's whole seconds have passed.
    const std::chrono::duration<double> due((FKeepAliveInterval + 1) * FModem->TimeScale());
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(
        due - (std::chrono::steady_clock::now() - FLastKeepAlive));
    return static_cast<int>(std::clamp<long long>(left.count(), 1, IdleWaitMs));
}

void TDevOrbelin::KeepAlive() {
    TModem& link = *FModem;
    const std::string rule(81, '=');
    try {
        link.DrainInput();
        if (!link.CallActive() || !KeepAliveDue()) {
            link.IdleWait(IdleWaitFor(), true);
            return;
        }
        link.PostLine(rule, false, false);
        link.PostLine("  Поддержка связи с Орбелином", false, true);
        std::string reply;
        link.SendCommand("+v", reply, false, false, "OK\r\n", 4500, 1);
        if (!reply.empty()) {
            link.PostLine(" # " + reply, false, true);
            int code = 0;
            link.CheckReply(false, reply, code, ckLink);
            if (code == 1)
                link.Terminate();
        }
        link.PostLine(rule, false, false);
        FLastKeepAlive = std::chrono::steady_clock::now();
    } catch (const std::exception& e) {
        link.PostLine(std::string(" # !!! Ошибка при работе с COM-портом: ") + PortErrorText(e),
                      true, true);
        link.LoseLine(PortErrorText(e));
    }
}
