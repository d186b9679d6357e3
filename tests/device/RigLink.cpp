#include "RigLink.h"

#include "DevOrbelinClass.h"
#include "LinkRig.h"
#include "xModem.h"

TRigLink::TRigLink() = default;

TRigLink::~TRigLink() {
    Stop();
}

void TRigLink::Start(const std::string& Port, TOutArray& Out, TDevOrbelin& Device,
                     const TUiTargets& Targets, double Scale) {
    Stop();
    FLink = MakeLink(Port, "", Out, Device, Targets, Scale);
    Device.SetModem(FLink.get());
    FLink->Resume();
}

void TRigLink::Stop() {
    if (!FLink)
        return;
    FLink->Terminate();
    FLink->WaitFor();
    FLink.reset();
}

bool TRigLink::Ended() const {
    return FLink && FLink->Finished();
}

std::uint8_t TRigLink::Mode() const {
    return FLink ? FLink->Mode() : 0;
}

void TRigLink::SetMode(std::uint8_t Code) {
    if (FLink)
        FLink->SetMode(Code);
}
