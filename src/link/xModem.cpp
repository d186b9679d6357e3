// TModem: construction, the thread body, the port, the RTS line and the waits
// that are not exchanges. The exchanges are in xModemExchange.cpp, the modem
// dialogue in xModemDial.cpp.

#include "xModem.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "DialNumber.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kSlice{TModem::WaitSliceMs};

} // namespace

TModem::TModem(const std::string& PortName, const std::string& Phone, TOutArray& Out,
               TDevice& Device, bool WaitReg, const TUiTargets& Targets)
    : FOut(Out), FComm(std::make_unique<TXComm>()), FDevice(Device), FWaitReg(WaitReg),
      FPhone(FilterPhone(Phone)), FPortName(PortName), FTargets(Targets) {
    FComm->Buffers().SetInputTimeout(4500);
    FComm->Buffers().SetOutputTimeout(4500);
}

TModem::~TModem() {
    StopAndWait();
    ClosePort();
    FComm.reset();
}

int TModem::Scaled(int Ms) const {
    return static_cast<int>(std::lround(Ms * FTimeScale));
}

int TModem::ScaledReplyWait(int Ms) const {
    return static_cast<int>(std::lround(Ms * FReplyScale));
}

void TModem::PostLine(const std::string& Text, bool Show, bool Stamp) {
    FOut.PostMemo(Text, Show, Stamp);
}

void TModem::ShowOnSplash(const std::string& Text) {
    FOut.PostControlText(FTargets.SplashPanel2, Text);
}

bool TModem::StopRequested(bool EvenWhileHangingUp) const {
    return Terminated() && (EvenWhileHangingUp || !FHangingUp);
}

void TModem::Pause(int Ms) {
    const auto end = TClock::now() + std::chrono::milliseconds(Scaled(Ms));
    for (auto now = TClock::now(); now < end; now = TClock::now()) {
        if (StopRequested(false))
            return;
        std::this_thread::sleep_until(std::min(end, now + kSlice));
    }
}

void TModem::IdleWait(int TimeoutMs, bool WakeOnInput) {
    const std::uint8_t mode = Mode();
    const auto end = TClock::now() + std::chrono::milliseconds(TimeoutMs);
    while (!Terminated() && Mode() == mode) {
        const auto now = TClock::now();
        if (now >= end)
            return;
        const auto slice = std::min<TClock::duration>(end - now, kSlice);
        if (WakeOnInput) {
            const auto ms = std::chrono::ceil<std::chrono::milliseconds>(slice).count();
            if (FComm->WaitForInput(static_cast<int>(ms)))
                return;
        } else {
            std::this_thread::sleep_for(slice);
        }
    }
}

void TModem::OpenPort() {
    ClosePort();
    ShowOnSplash("Открываем COM порт: " + FPortName);
    try {
        FComm->SetBaudRate(br19200);
        FComm->DataControl().SetParity(paNone);
        FComm->SetDeviceName(FPortName);
        FComm->SetFlowControl(fcNone);
        FComm->Open();
        FPortFailed = false;
        PostLine(" # Успешно открыли COM порт: " + FPortName, true, true);
        ShowOnSplash("Успешно открыли COM порт: " + FPortName);
    } catch (const std::exception& e) {
        PostLine(std::string(" # !!! Ошибка открытия COM порта: ") + e.what(), true, true);
        ShowOnSplash("Ошибка при открытии COM порта: " + FPortName);
        Terminate();
    }
}

void TModem::ClosePort() {
    if (!FComm || !FComm->Connected())
        return;
    try {
        FComm->Close();
        PostLine(" # Успешно закрыли COM порт: " + FPortName, true, true);
    } catch (const std::exception& e) {
        PostLine(std::string(" # !!! Ошибка закрытия COM порта: ") + e.what(), true, true);
    }
}

void TModem::DropRTS() {
    PostLine("ClrRTS", true, true);
    try {
        FComm->SetRTS(false);
    } catch (const std::exception&) {
        // A port without modem lines (or none open) has no RTS to move.
    }
}

void TModem::RaiseRTS() {
    PostLine("SetRTS", true, true);
    try {
        FComm->SetRTS(true);
    } catch (const std::exception&) {
        // As in DropRTS.
    }
}

void TModem::Execute() {
    PostLine(" # Поток начал работу", true, true);
    SetMode(TDevice::rqConnect);
    while (!Terminated()) {
        while (!FComm->Connected() && !Terminated())
            OpenPort();
        if (Terminated())
            break;
        try {
            FDevice.Dispatch(Mode());
        } catch (const std::exception& e) {
            // Whatever escapes the device still ends the connection in order:
            // hang-up, port closed, final lines.
            PostLine(std::string(" # !!! Ошибка при работе с COM портом: ") + e.what(), true, true);
            Terminate();
        }
    }
    if (FCallActive || !FPhone.empty())
        HangUp();
    ClosePort();
    PostLine(" # Поток завершил работу", true, true);
    if (FTargets.DisconnectEnabled && FTargets.DisconnectEnabled())
        FOut.PostControlText(FTargets.tbtnDisconnect, "Click");
}
