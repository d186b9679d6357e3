// TModem: the GSM data call. ConnectModem wakes the modem, resets it, waits
// for the network when asked to, sets the bearer, dials and reports progress
// on the splash; HangUp ends the call when the thread stops.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "link/ReplyCheck.h"
#include "link/xModem.h"

namespace {

// Marks no modem ever sends: a wait for one collects input for its whole time.
const std::string kNeverSent = "EEERROR";

// Registration replies that count as registered, at home or roaming, in the
// spellings modems use.
const char* const kRegistered[] = {
    "+CREG: 0, 1", "+CREG: 0, 5", "+CREG:0,1",  "+CREG:0, 1", "+CREG: 0 , 1",
    "+CREG: 0,1",  "+CREG: 0,5",  "+CREG:0, 5", "+CREG:0,5",
};

bool Registered(const std::string& Reply) {
    for (const char* r : kRegistered)
        if (Reply.find(r) != std::string::npos)
            return true;
    return false;
}

} // namespace

void TModem::CollectAndPost(int Ms) {
    std::string collected;
    ReadUntil(collected, Ms, kNeverSent);
    PostLine(collected, true, false);
}

bool TModem::ModemStep(const std::string& Command, bool& Flag) {
    std::string reply;
    Flag = SendCommand(Command, reply, false, false, "", 4500, 1);
    // The echo may end the first wait before the result code arrives.
    if (reply.find("OK") == std::string::npos)
        Flag = !ReadUntil(reply, 4500, "\r\n");
    int code = 0;
    CheckReply(Flag, reply, code, ckCommand);
    return code == 1;
}

bool TModem::ConnectModem() {
    if (FPhone.empty())
        return true;
    int failures = 0;
    bool flag = false;

    // Wake the modem: RTS off, listen, RTS on, wait for the SIM to be ready.
    DropRTS();
    CollectAndPost(500);
    RaiseRTS();
    std::string wake;
    ReadUntilAny(wake, {"+CPIN: READY", kNeverSent}, 7500);
    PostLine(wake, true, false);

    ShowOnSplash("Инициализация модема: ATZ");
    if (ModemStep("ATZ", flag)) {
        ++failures;
        ShowFailure(TLinkFailure::ModemNotReady, "ATZ");
    }

    // A modem that did not answer the reset may still be looking for the
    // network: ask until it has registered.
    if (FWaitReg && flag) {
        while (flag && !Terminated()) {
            std::string reply;
            flag = SendCommand("AT+CREG?", reply, false, true, "+CREG: 0,1", 500, 5);
            if (flag && Registered(reply))
                flag = false;
            CollectAndPost(500);
            CollectAndPost(1500);
        }
    }

    constexpr int Tries = 3;
    int attempt = 0;
    while (failures < Tries && !Terminated()) {
        const std::string tryText =
            "\nПопытка " + std::to_string(++attempt) + " из " + std::to_string(Tries);
        if (!Terminated())
            ShowOnSplash("Инициализация модема: AT+CBST=7,0,1");
        if (ModemStep("AT+CBST=7,0,1", flag)) {
            ++failures;
            ShowFailure(TLinkFailure::ModemRefused, "AT+CBST=7,0,1");
        }
        Pause(100);
        DrainInput();

        if (!Terminated())
            ShowOnSplash("Инициализация модема: AT");
        if (ModemStep("AT", flag)) {
            ++failures;
            ShowFailure(TLinkFailure::ModemNotReady, "AT");
            continue;
        }
        Pause(100);
        DrainInput();

        if (!Terminated())
            ShowOnSplash("Набор номера: " + FPhone + tryText);
        const std::string dial = "ATD " + FPhone;
        std::string reply;
        flag = SendCommand(dial, reply, false, false, "CONNECT 9600", 40000, 1);
        // Only our own command came back: the result code may still come.
        if (reply == dial + "\r")
            flag = !ReadUntil(reply, 40000, "CONNECT 9600");
        int code = 0;
        CheckReply(flag, reply, code, ckDial);
        if (code == 1) {
            ++failures;
            const std::string_view said = DialResult(reply);
            ShowFailure(TLinkFailure::NotDialled, FPhone, std::string(said), attempt, Tries);
            continue;
        }

        if (!Terminated()) {
            PostLine(" # Цифровое соединение успешно установлено", true, true);
            ShowOnSplash("Цифровое соединение успешно установлено");
            FCallActive = true;
        }
        DrainInput();
        break;
    }

    if (FCallActive)
        return true;
    Terminate();
    return false;
}

int TModem::HangUpLimitMs() const {
    return Scaled(HangUpGuardMs) + ScaledReplyWait(HangUpAnswersMs);
}

void TModem::HangUp() {
    using namespace std::chrono;
    const bool bounded = FHangUpBounded.load(std::memory_order_acquire);
    const auto end = steady_clock::now() + milliseconds(HangUpLimitMs());
    // A step's reply wait, before the answers' scale: its own, or bounded no
    // more than what is left once the pause before the command and Reserve
    // for the steps after it are taken off.
    const auto replyWait = [&](int Ms, int ReserveMs) {
        if (!bounded)
            return Ms;
        const auto left = duration_cast<milliseconds>(end - steady_clock::now()).count() -
                          Scaled(100) - ScaledReplyWait(ReserveMs);
        return static_cast<int>(std::clamp<long long>(std::llround(left / FReplyScale), 0, Ms));
    };
    // The modem leaves the call only for "+++" framed by silence: this pause
    // is the silence before it, and neither a stop request nor the bound
    // shortens it, since "+++" sent early would only be data for the unit.
    std::this_thread::sleep_for(milliseconds(Scaled(HangUpGuardMs)));
    FHangingUp = true;
    std::string reply;
    // Bounded, "ATH" keeps a share of its own: it goes out whatever became
    // of the escape, and the modem's answer to "+++" comes a guard time after
    // it, well within the rest.
    SendCommand("+++", reply, true, false, "OK", replyWait(4500, HangUpAnswersMs / 4), 1);
    SendCommand("ATH", reply, false, false, "OK", replyWait(4500, 0), 1);
    if (const int wait = replyWait(4500, 0); wait > 0)
        SendCommand("ATZ", reply, false, false, "OK", wait, 1);
    FCallActive = false;
    DropRTS();
    CollectAndPost(replyWait(500, 0));
    FHangingUp = false;
}
