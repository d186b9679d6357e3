#include "PagesRig.h"

#include <chrono>
#include <thread>

#include "LinkRig.h"
#include "NullApplyHost.h"
#include "SimulatedUnit.h"
#include "device/PageTable.h"
#include "queue/Appliers.h"

namespace {
QObject* Stand(std::uintptr_t n) {
    return reinterpret_cast<QObject*>(n * 64);
}

TDevicePages WithStatusPanel(TDevicePages Pages, QObject* Panel) {
    Pages.StatusPanel4 = Panel;
    return Pages;
}
} // namespace

class TPagesRig::THost : public TNullApplyHost {
public:
    explicit THost(TPagesRig& Rig) : FRig(Rig) {}
    bool IsMainWindow(const QObject* Control) const override { return Control == FRig.Form1; }
    bool IsInputsPage(const QObject* Control) const override { return Control == FRig.formInOut; }
    void SetInputFlagsEnabled(bool Enabled) override {
        Enabled ? FRig.formInOut->EnableInputFlags() : FRig.formInOut->DisableInputFlags();
    }

private:
    TPagesRig& FRig;
};

TPagesRig::TPagesRig()
    : tv1(Stand(1)), Form1(Stand(2)), StatusPanel4(Stand(3)),
      Owner(nullptr, "Form1"), Services{.PostRequest =
                                            [this](std::uint8_t code) {
                                                if (!LinkExists() || LinkEnded())
                                                    return false;
                                                FLink->SetMode(code);
                                                return true;
                                            },
                                        .Describe = {}},
      Pages(WithStatusPanel(CreateSettingsPages(&Owner, nullptr, &Services), StatusPanel4)),
      FHost(std::make_unique<THost>(*this)) {
    FTargets = std::make_unique<TUiTargets>();
    FTargets->SplashPanel2 = Stand(4);
    FTargets->SplashButton1 = Stand(5);
    FTargets->StatusPanel2 = Stand(6);
    FTargets->StatusPanel4 = StatusPanel4;
    FTargets->Form1 = Form1;
    FTargets->tv1 = tv1;
    FTargets->tbtnDisconnect = Stand(7);
    FTargets->DisconnectEnabled = [] { return false; };
    FTargets->WriteState = &WriteState;
    Device = std::make_unique<TDevOrbelin>(Out);
    Device->SetPages(Pages);
    Device->SetCurrentPage(formCommon);
}

TPagesRig::~TPagesRig() {
    Disconnect();
}

void TPagesRig::Select(TForm* Page) {
    Device->SetCurrentPage(Page);
}

bool TPagesRig::Run(std::uint8_t Code, int TimeoutMs) {
    if (FLink)
        FLink->SetMode(Code);
    const bool done = WaitUntil([&] { return Mode() == 0 || LinkEnded(); }, TimeoutMs);
    Drain();
    return done;
}

void TPagesRig::Drain() {
    TOutElement* e = nullptr;
    while (std::uint8_t kind = Out.Take(e)) {
        TTaken t;
        t.Kind = kind;
        if (const auto* memo = dynamic_cast<const TMemoOut*>(e)) {
            t.Text = memo->Text;
            t.ToMemo = memo->ToMemo;
            // "dd.MM.yyyy H:mm:ss " in front of stamped lines.
            if (t.Text.size() > 11 && t.Text[2] == '.' && t.Text[5] == '.') {
                const std::size_t blank = t.Text.find(' ', 11);
                if (blank != std::string::npos)
                    t.Text = t.Text.substr(blank + 1);
            }
        } else if (const auto* c = dynamic_cast<const TControlOut*>(e)) {
            t.Control = c->Control;
            t.Text = c->Text;
        } else if (const auto* s = dynamic_cast<const TStatusOut*>(e)) {
            t.Control = s->Panel;
            t.Text = s->Text;
        } else if (const auto* m = dynamic_cast<const TMsgOut*>(e)) {
            t.Text = m->Text;
        } else if (const auto* v = dynamic_cast<const TEventOut*>(e)) {
            // As the window shows it, on the stand-ins.
            for (const TScreenStep& step : ShowUnitEvent(v->Event, *FTargets)) {
                const TTaken shown{.Kind = step.Kind, .Control = step.Control, .Text = step.Text};
                Taken.push_back(shown);
                Apply(shown);
            }
            continue;
        }
        Taken.push_back(t);
        Apply(t);
    }
}

void TPagesRig::Apply(const TTaken& t) {
    for (const QObject* stand : {tv1, Form1, StatusPanel4})
        if (t.Control == stand)
            return;
    if (!t.Control || !ComponentInfoOf(t.Control))
        return; // the splash, the status panels
    try {
        if (t.Kind == okControl)
            ApplyControlText(*FHost, t.Control, t.Text);
        else if (t.Kind == okColor)
            ApplyControlColor(t.Control, t.Text);
    } catch (const std::exception&) {
        // As on the screen: a text a control cannot take is dropped.
    }
}

bool TPagesRig::WaitUntil(const std::function<bool()>& Pred, int TimeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        Drain();
        if (Pred())
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::vector<std::string> TPagesRig::TextsFor(const QObject* Control) const {
    std::vector<std::string> texts;
    for (const TTaken& t : Taken)
        if (t.Control == Control && (t.Kind == okControl || t.Kind == okStatus))
            texts.push_back(t.Text);
    return texts;
}

std::vector<std::string> TPagesRig::ColorsFor(const QObject* Control) const {
    std::vector<std::string> colors;
    for (const TTaken& t : Taken)
        if (t.Control == Control && t.Kind == okColor)
            colors.push_back(t.Text);
    return colors;
}

std::string TPagesRig::LastColor(const QObject* Control) const {
    const auto colors = ColorsFor(Control);
    return colors.empty() ? std::string() : colors.back();
}

std::vector<std::string> TPagesRig::Messages() const {
    std::vector<std::string> texts;
    for (const TTaken& t : Taken)
        if (t.Kind == okMsg)
            texts.push_back(t.Text);
    return texts;
}

std::vector<std::string> TPagesRig::MemoLines(bool ShownOnly) const {
    std::vector<std::string> lines;
    for (const TTaken& t : Taken)
        if (t.Kind == okMemo && (!ShownOnly || t.ToMemo))
            lines.push_back(t.Text);
    return lines;
}

int TPagesRig::FindMemo(const std::string& Prefix) const {
    const auto lines = MemoLines();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind(Prefix, 0) == 0)
            return static_cast<int>(i);
    return -1;
}

bool TPagesRig::Connect(TSimulator& Sim, double Scale, double ReplyScale) {
    Disconnect();
    FLink = MakeLink(Sim.SlavePath(), "", Out, *Device, Scale, false, ReplyScale);
    Device->SetModem(FLink.get());
    FLink->Resume();
    const auto clicked = [&] {
        for (const TTaken& t : Taken)
            if (t.Kind == okControl && t.Text == "Click")
                return true;
        return false;
    };
    WaitUntil([&] { return clicked() || FLink->Finished(); }, 20000);
    return clicked() && !FLink->Finished();
}

void TPagesRig::Disconnect() {
    if (!FLink)
        return;
    FLink->Terminate();
    FLink->WaitFor();
    Drain();
    FLink.reset();
}

bool TPagesRig::LinkEnded() const {
    return FLink && FLink->Finished();
}

bool TPagesRig::WaitLinkEnded(int TimeoutMs) {
    return WaitUntil([&] { return LinkEnded(); }, TimeoutMs);
}

std::uint8_t TPagesRig::Mode() const {
    return FLink ? FLink->Mode() : 0;
}
