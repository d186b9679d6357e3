#pragma once
// One device object with its queue and stand-in screen, connected again and
// again to a simulator through new link threads, as the main window does.

#include <memory>
#include <string>
#include <vector>

#include "LinkRig.h"
#include "SimulatedUnit.h"
#include "device/DevOrbelin.h"

// A device whose page write counts as one parameter sent (the rig has no
// pages, and a write that sent nothing is not committed), and whose next
// page write can be made to have failed a parameter, as the page routines
// report it.
class TTestDevOrbelin : public TDevOrbelin {
public:
    using TDevOrbelin::TDevOrbelin;
    std::atomic<bool> FailNextWrite{false};

protected:
    void WritePage() override {
        TDevOrbelin::WritePage();
        FWritesSent.fetch_add(1);
        if (FailNextWrite.exchange(false))
            FWriteFailed = true;
    }
};

struct TDeviceRig {
    TOutArray Out;
    TRigTargets Rig;
    TQueueLog Log{Out, Rig.Targets};
    TTestDevOrbelin Device{Out};
    std::unique_ptr<TModem> Link;
    std::size_t Mark = 0; // queue elements before the current connection

    ~TDeviceRig() { Disconnect(); }

    // Starts a connection and waits for the handshake: true once the splash's
    // OK would be clicked, false when the link thread ended instead.
    bool Connect(TSimulator& Sim, const std::string& Phone = "", double Scale = kRigPauseScale,
                 double ReplyScale = kRigReplyScale) {
        Disconnect();
        Mark = Log.All().size();
        Link = MakeLink(Sim.SlavePath(), Phone, Out, Device, Scale, false, ReplyScale);
        Device.SetModem(Link.get());
        Link->Resume();
        Log.WaitUntil(
            [&] { return !TextsFor(Rig.Targets.SplashButton1).empty() || Link->Finished(); },
            20000);
        return !TextsFor(Rig.Targets.SplashButton1).empty();
    }

    void Disconnect() {
        if (!Link)
            return;
        Link->Terminate();
        Link->WaitFor();
        Link.reset();
    }

    // What the current connection posted to one control.
    std::vector<std::string> TextsFor(TControlRef Control) {
        std::vector<std::string> texts;
        const auto& all = Log.All();
        for (std::size_t i = Mark; i < all.size(); ++i)
            if (all[i].Control == Control && (all[i].Kind == okControl || all[i].Kind == okStatus))
                texts.push_back(all[i].Text);
        return texts;
    }
    std::string LastSplash() {
        const auto texts = TextsFor(Rig.Targets.SplashPanel2);
        return texts.empty() ? std::string() : texts.back();
    }
};
