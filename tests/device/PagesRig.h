#pragma once
// The device object with the real settings pages, connected through a real
// link thread over a pseudo-terminal to the simulated unit. The test thread
// plays the main window's timer: it takes every posted element, keeps a copy
// and applies it to the pages (message boxes are only recorded). The screen
// targets outside the pages (page tree, splash, status bar) are stand-ins
// whose texts are recorded.
//

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LinkRig.h"
#include "device/DevOrbelin.h"
#include "pages/PageServices.h"
#include "pages/f_Debug.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_Records.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_flags.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
#include "queue/OutArray.h"
#include "toolkit/Controls.h"

class TSimulator;

// One element as it was taken off the queue; memo texts without their stamp.
struct TTaken {
    std::uint8_t Kind = 0;
    QObject* Control = nullptr;
    std::string Text;
    bool ToMemo = false;
};

class TPagesRig {
public:
    TPagesRig();
    ~TPagesRig();
    TPagesRig(const TPagesRig&) = delete;
    TPagesRig& operator=(const TPagesRig&) = delete;

    // Stand-ins for the screen outside the pages.
    QObject* const tv1;
    QObject* const Form1;
    QObject* const StatusPanel4;

    TForm Owner;
    // Posts to the rig's link thread while one runs.
    TPageServices Services;
    // The pages as the window creates them; StatusPanel4 is the stand-in.
    const TDevicePages Pages;
    TformAcc* const formAcc = Pages.formAcc;
    TformGPRS* const formGPRS = Pages.formGPRS;
    TformInOut* const formInOut = Pages.formInOut;
    TformGPS* const formGPS = Pages.formGPS;
    TformRecords* const formRecords = Pages.formRecords;
    TformPhones* const formPhones = Pages.formPhones;
    TformFlags* const formFlags = Pages.formFlags;
    Tform_Debug* const form_Debug = Pages.form_Debug;
    TformCommon* const formCommon = Pages.formCommon;

    TOutArray Out;
    std::atomic<std::int32_t> WriteState{0};
    std::unique_ptr<TDevOrbelin> Device;

    // Connects to the simulator and waits for the handshake; true when it
    // succeeded.
    bool Connect(TSimulator& Sim, double Scale = kRigPauseScale,
                 double ReplyScale = kRigReplyScale);
    void Disconnect();
    bool LinkExists() const { return FLink != nullptr; }
    bool LinkEnded() const;
    // Waits until the link thread has ended by itself.
    bool WaitLinkEnded(int TimeoutMs);

    // Hands a request to the link thread as the main window does and waits
    // until the device has carried it out (or the link has ended); false on
    // a timeout. Everything posted meanwhile has been applied.
    bool Run(std::uint8_t Code, int TimeoutMs = 30000);
    // The page the device works on, as the tree selection sets it.
    void Select(TForm* Page);
    std::uint8_t Mode() const;

    // Takes and applies what is pending.
    void Drain();
    // Drains until Pred holds; false on a timeout.
    bool WaitUntil(const std::function<bool()>& Pred, int TimeoutMs);

    // Forgets what was taken so far.
    void ClearTaken() { Taken.clear(); }
    std::vector<TTaken> Taken;

    std::vector<std::string> TextsFor(const QObject* Control) const;
    std::vector<std::string> ColorsFor(const QObject* Control) const;
    // The last colour posted to a lamp, "" when none.
    std::string LastColor(const QObject* Control) const;
    std::vector<std::string> Messages() const;
    // Memo lines in order; Shown: only those meant for the memo (not the log only).
    std::vector<std::string> MemoLines(bool ShownOnly = false) const;
    // Index of the first memo line beginning with Prefix, -1 when none.
    int FindMemo(const std::string& Prefix) const;

private:
    class THost;
    void Apply(const TTaken& Element);

    std::unique_ptr<TUiTargets> FTargets;
    std::unique_ptr<THost> FHost;
    std::unique_ptr<TModem> FLink;
};
