#include "services/DeviceLink.h"

#include "device/DevOrbelin.h"
#include "link/xModem.h"

TDeviceLink::TDeviceLink(TOutArray& out) : FOut(out), FDevice(std::make_unique<TDevOrbelin>(out)) {}

TDeviceLink::~TDeviceLink() {
    End();
}

void TDeviceLink::Start(const std::string& port, const std::string& phone, bool waitReg) {
    End();
    FLinkThread = std::make_unique<TModem>(port, phone, FOut, *FDevice, waitReg);
    FLinkThread->SetTimeScaleForTests(FTimeScale, FReplyScale);
    FDevice->SetModem(FLinkThread.get());
    FLinkThread->Resume();
}

void TDeviceLink::SetPages(const TDevicePages& pages) {
    FDevice->SetPages(pages);
}

void TDeviceLink::SetWriteEnded(std::function<void(TWriteSummary)> WriteEnded) {
    FDevice->SetWriteEnded(std::move(WriteEnded));
}

void TDeviceLink::End(bool InTime) {
    if (!FLinkThread)
        return;
    try {
        if (InTime)
            FLinkThread->BoundHangUp();
        FLinkThread->Terminate();
        FLinkThread->WaitFor();
    } catch (...) {
        // However it ended, the thread is dropped below.
    }
    FDevice->SetModem(nullptr);
    FLinkThread.reset();
}

std::chrono::milliseconds TDeviceLink::EndLimit() const {
    if (!FLinkThread || FLinkThread->Phone().empty())
        return {};
    return std::chrono::milliseconds(FLinkThread->HangUpLimitMs());
}

bool TDeviceLink::Ending() const {
    return FLinkThread && (FLinkThread->IsTerminated() || FLinkThread->Finished());
}

std::uint8_t TDeviceLink::Mode() const {
    return FLinkThread ? FLinkThread->Mode() : rqIdle;
}

void TDeviceLink::SetMode(std::uint8_t code) {
    if (FLinkThread)
        FLinkThread->SetMode(code);
}

std::int32_t TDeviceLink::Revision() const {
    return FDevice->Revision();
}

void TDeviceLink::SetVerifyWrites(bool On) {
    FDevice->SetVerifyWrites(On);
}

bool TDeviceLink::VerifyWrites() const {
    return FDevice->VerifyWrites();
}

TControlRef TDeviceLink::CurrentPage() const {
    return FDevice->GetCurrentPage();
}

void TDeviceLink::SetCurrentPage(TControlRef page) {
    FDevice->SetCurrentPage(page);
}
