#include "walk_bench_link.h"

#include "DevOrbelin.h"

TBenchLink::TBenchLink(const std::string& Port, TOutArray& Out, TDevOrbelin& Device,
                       const TUiTargets& Targets)
    : FLink(std::make_unique<TModem>(Port, "", Out, Device, false, Targets)) {
    Device.SetModem(FLink.get());
    FLink->Resume();
}

TBenchLink::~TBenchLink() {
    FLink->Terminate();
    FLink->WaitFor();
}

bool TBenchLink::Ended() const {
    return FLink->Finished();
}

std::uint8_t TBenchLink::Mode() const {
    return FLink->Mode();
}

void TBenchLink::SetMode(std::uint8_t Code) {
    FLink->SetMode(Code);
}
