// TModem: the GSM data call. ConnectModem wakes the modem, resets it, waits
// for the network when asked to, sets the bearer, dials and reports progress
// on the splash; HangUp ends the call when the thread stops.

#include <chrono>
#include <thread>

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
        ShowOnSplash("ОШИБКА инициализации модема: ATZ");
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

    while (failures < 3 && !Terminated()) {
        if (!Terminated())
            ShowOnSplash("Инициализация модема: AT+CBST=7,0,1");
        if (ModemStep("AT+CBST=7,0,1", flag)) {
            ++failures;
            ShowOnSplash("Не прошла комманда: AT+CBST=7,0,1");
        }
        Pause(100);
        DrainInput();

        if (!Terminated())
            ShowOnSplash("Инициализация модема: AT");
        if (ModemStep("AT", flag)) {
            ++failures;
            ShowOnSplash("ОШИБКА инициализации модема: AT");
            continue;
        }
        Pause(100);
        DrainInput();

        if (!Terminated())
            ShowOnSplash("Набор номера: " + FPhone);
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
            ShowOnSplash("Не могу дозвониться до : " + FPhone);
            continue;
        }

        if (!Terminated()) {
            PostLine(" # Цифровое соединение успешно установленно", true, true);
            ShowOnSplash("Цифровое соединение успешно установленно");
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

void TModem::HangUp() {
    // The modem leaves the call only for "+++" framed by silence: this pause
    // is the silence before it, and a stop request must not shorten it.
    std::this_thread::sleep_for(std::chrono::milliseconds(Scaled(2000)));
    FHangingUp = true;
    std::string reply;
    SendCommand("+++", reply, true, false, "OK", 4500, 1);
    SendCommand("ATH", reply, false, false, "OK", 4500, 1);
    SendCommand("ATZ", reply, false, false, "OK", 4500, 1);
    FCallActive = false;
    DropRTS();
    CollectAndPost(500);
    FHangingUp = false;
}
