// TModem: construction, the thread body, the port, the RTS line and the waits
// that are not exchanges. The exchanges are in xModemExchange.cpp, the modem
// dialogue in xModemDial.cpp.

#include "link/xModem.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "link/DialNumber.h"

namespace {

using TClock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kSlice{TModem::WaitSliceMs};

} // namespace

TModem::TModem(const std::string& PortName, const std::string& Phone, TOutArray& Out,
               TDevice& Device, bool WaitReg)
    : FOut(Out), FComm(std::make_unique<TXComm>()), FDevice(Device), FWaitReg(WaitReg),
      FPhone(FilterPhone(Phone)), FPortName(PortName) {
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
    FOut.PostEvent({.Kind = TUnitEvent::TKind::LinkProgress, .Text = Text});
}

void TModem::ShowFailure(TLinkFailure Failure, const std::string& Subject, const std::string& Text,
                         int Try, int Tries) {
    FOut.PostEvent({.Kind = TUnitEvent::TKind::LinkFailed,
                    .Text = Text,
                    .Subject = Subject,
                    .Failure = Failure,
                    .Step = Try,
                    .Total = Tries});
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
    for (;;) {
        // Cleared before the look, so a raise after it ends the wait below.
        FWake.Clear();
        if (Terminated() || Mode() != mode)
            return;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - TClock::now()).count();
        if (left <= 0)
            return;
        if (WakeOnInput) {
            if (FComm->WaitForInput(static_cast<int>(left), &FWake))
                return;
        } else {
            FWake.Wait(static_cast<int>(left));
        }
    }
}

void TModem::OpenPort() {
    ClosePort();
    ShowOnSplash("Открываем COM-порт: " + FPortName);
    try {
        FComm->SetBaudRate(br19200);
        FComm->DataControl().SetParity(paNone);
        FComm->SetDeviceName(FPortName);
        FComm->SetFlowControl(fcNone);
        FComm->Open();
        FPortFailed = false;
        PostLine(" # Успешно открыли COM-порт: " + FPortName, true, true);
        ShowOnSplash("Успешно открыли COM-порт: " + FPortName);
    } catch (const std::exception& e) {
        PostLine(std::string(" # !!! Ошибка открытия COM-порта: ") + PortErrorText(e), true, true);
        const auto* device = dynamic_cast<const EDeviceError*>(&e);
        ShowFailure(TLinkFailure::PortNotOpened, FPortName, device ? device->Reason() : "");
        Terminate();
    }
}

void TModem::ClosePort() {
    if (!FComm || !FComm->Connected())
        return;
    try {
        FComm->Close();
        PostLine(" # Успешно закрыли COM-порт: " + FPortName, true, true);
    } catch (const std::exception& e) {
        PostLine(std::string(" # !!! Ошибка закрытия COM-порта: ") + PortErrorText(e), true, true);
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
    SetMode(rqConnect);
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
            PostLine(std::string(" # !!! Ошибка при работе с COM-портом: ") + PortErrorText(e),
                     true, true);
            Terminate();
        }
    }
    if (FCallActive || !FPhone.empty())
        HangUp();
    ClosePort();
    PostLine(" # Поток завершил работу", true, true);
    FOut.PostEvent({.Kind = TUnitEvent::TKind::LinkEnded});
}
