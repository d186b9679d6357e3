#include "batch/UnitRun.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <set>

#include "app/DebugLog.h"
#include "app/DeviceLink.h"
#include "batch/UnitSet.h"
#include "device/DevOrbelin.h"
#include "device/PageTable.h"
#include "device/ParamForm.h"
#include "link/UiTargets.h"
#include "pages/f_common.h"
#include "pages/f_inout.h"
#include "queue/Appliers.h"
#include "queue/OutArray.h"
#include "queue/Protocol.h"
#include "toolkit/Colors.h"
#include "toolkit/IniFile.h"
#include "toolkit/TextUtil.h"

namespace {

using TClock = std::chrono::steady_clock;

// How often the queue is drained: as the window's timer does.
constexpr int DrainMs = 50;

// The walk names the device puts on the status bar, and the phases they are.
const std::pair<const char*, const char*> WalkPhases[] = {
    {"Чтение ", "read"},
    {"Запись ", "write"},
    {"Проверка ", "verify"},
};

bool IsValueControl(QObject* Control) {
    return dynamic_cast<TEdit*>(Control) || dynamic_cast<TSpinEdit*>(Control) ||
           dynamic_cast<TCheckBox*>(Control) || dynamic_cast<TRadioButton*>(Control);
}

// A value control's value as a set file stores it.
std::string StoredValue(QObject* Control) {
    if (auto* edit = dynamic_cast<TEdit*>(Control))
        return edit->Text();
    if (auto* spin = dynamic_cast<TSpinEdit*>(Control))
        return spin->Text();
    if (auto* check = dynamic_cast<TCheckBox*>(Control))
        return check->Checked() ? "1" : "0";
    if (auto* radio = dynamic_cast<TRadioButton*>(Control))
        return radio->Checked() ? "1" : "0";
    return {};
}

class TUnitRunner : public TApplyHost {
public:
    TUnitRunner(const TUnitJob& Job, TUnitSet& Set, const TUnitProgress& Progress)
        : FJob(Job), FSet(Set), FProgress(Progress), FTargets(FWriteState) {
        FTargets.SplashPanel2 = &FSplashPanel;
        FTargets.SplashButton1 = &FSplashButton;
        FTargets.StatusPanel2 = &FVersionPanel;
        FTargets.Form1 = &Set.Owner();
        FTargets.tv1 = &FTree;
        FTargets.tbtnDisconnect = &FDisconnect;
        FTargets.DisconnectEnabled = [] { return true; };
        FLink = std::make_unique<TDeviceLink>(FOut, FTargets);
        TDevicePages pages = Set.Pages();
        pages.StatusPanel4 = &FWalkPanel;
        FLink->SetPages(pages);
        FLink->SetCurrentPage(pages.formCommon);
        // The batch writes nothing it has not read back.
        FLink->SetVerifyWrites(true);
    }

    ~TUnitRunner() override { FLink->End(); }

    TUnitOutcome Run();

    // TApplyHost: the window's memo is not there; its log is the unit's.
    void AppendMemoLine(const std::string& Text) override {
        if (Text.find("!!!") != std::string::npos)
            FLastProblem = TrimBlanks(Text);
    }
    bool LogEnabled() const override { return FLog.LogEnabled(); }
    void WriteLogLine(const std::string& Text) override { FLog.WriteLine(Text); }
    bool IsMainWindow(const QObject* Control) const override { return Control == &FSet.Owner(); }
    void SetGeneration(int Generation) override {
        FGeneration = Generation;
        ShowGenerationOnPages(FSet.Pages(), Generation, FLink->Revision());
    }
    void RepaintStatusBar() override {}
    bool IsInputsPage(const QObject* Control) const override {
        return Control && Control == FSet.Pages().formInOut;
    }
    void SetInputFlagsEnabled(bool Enabled) override {
        Enabled ? FSet.Pages().formInOut->EnableInputFlags()
                : FSet.Pages().formInOut->DisableInputFlags();
    }

private:
    enum class TState { Connecting, Working, Done };
    struct TLampState {
        TColor Write = clWindowText;
        TColor Verify = clWindowText;
        TColor Read = clWindowText;
    };

    void Drain();
    void Take(TOutElement* Element);
    void Tick();
    void SetPhase(const std::string& Phase, int Step, int Total);
    void Finish();
    std::string ParamName(QObject* Lamp) const;
    void Compare(TUnitOutcome& Outcome) const;

    const TUnitJob& FJob;
    TUnitSet& FSet;
    const TUnitProgress& FProgress;
    std::atomic<std::int32_t> FWriteState{0};
    TUiTargets FTargets;
    TOutArray FOut;
    std::unique_ptr<TDeviceLink> FLink;
    TDebugLog FLog;
    // Stand-ins for what the window has outside its pages; what is posted
    // to them is read here, never applied.
    QObject FSplashPanel, FSplashButton, FVersionPanel, FTree, FDisconnect, FWalkPanel;

    TState FState = TState::Connecting;
    bool FConnected = false;
    bool FLinkEnded = false;
    bool FTimedOut = false;
    bool FLost = false; // the link ended before the request was done
    int FGeneration = -1;
    std::string FVersion;
    std::string FSplashText;
    std::string FLastProblem;
    std::vector<std::string> FMessages;
    std::string FPhase = "connect";
    std::vector<QObject*> FLampOrder;
    std::map<QObject*, TLampState> FLamps;
    std::set<QObject*> FReadControls; // value controls the unit's values went to
    QEventLoop FLoop;
    TClock::time_point FStart = TClock::now();
};

std::string TUnitRunner::ParamName(QObject* Lamp) const {
    const TComponentInfo* info = ComponentInfoOf(Lamp);
    const std::string name = info ? info->Name() : std::string();
    // A lamp is named after its control ("lbetObjNum"), or after the
    // control's name without its "cb" ("lbGPSOff" for "cbGPSOff"); the GPRS
    // switch's lamp is the one named otherwise. Group lamps (the input
    // masks, the input mode) keep their own names.
    if (name == "lbcb")
        return "cbGPRS";
    if (name.starts_with("lb"))
        for (const std::string& control : {name.substr(2), "cb" + name.substr(2)})
            for (TForm* page : ParameterPages(FSet.Pages()))
                if (IsValueControl(page->FindComponent(control)))
                    return control;
    return name;
}

void TUnitRunner::SetPhase(const std::string& Phase, int Step, int Total) {
    FPhase = Phase;
    if (FProgress)
        FProgress(Phase, Step, Total);
}

void TUnitRunner::Take(TOutElement* Element) {
    switch (Element->Kind) {
    case okMemo: {
        const auto* e = static_cast<TMemoOut*>(Element);
        ApplyMemoLine(*this, e->Text, true);
        return;
    }
    case okMsg:
        FMessages.push_back(static_cast<TMsgOut*>(Element)->Text);
        return;
    case okStatus: {
        const auto* e = static_cast<TStatusOut*>(Element);
        if (e->Panel == &FVersionPanel) {
            FVersion = e->Text;
        } else if (e->Panel == &FWalkPanel) {
            for (const auto& [prefix, phase] : WalkPhases) {
                if (!e->Text.starts_with(prefix))
                    continue;
                int step = 0, total = 0;
                std::sscanf(e->Text.c_str() + std::string_view(prefix).size(), "%d/%d", &step,
                            &total);
                SetPhase(phase, step, total);
            }
        }
        return;
    }
    case okColor: {
        const auto* e = static_cast<TControlOut*>(Element);
        if (dynamic_cast<TLabel*>(e->Control) && (e->Text == "clBlue" || e->Text == "clRed")) {
            auto [it, added] = FLamps.try_emplace(e->Control);
            if (added)
                FLampOrder.push_back(e->Control);
            const TColor color = e->Text == "clBlue" ? clBlue : clRed;
            (FPhase == "verify"  ? it->second.Verify
             : FPhase == "write" ? it->second.Write
                                 : it->second.Read) = color;
        }
        ApplyControlColor(e->Control, e->Text);
        return;
    }
    case okControl: {
        const auto* e = static_cast<TControlOut*>(Element);
        if (e->Control == &FSplashPanel) {
            FSplashText = e->Text;
        } else if (e->Control == &FSplashButton) {
            FConnected = FConnected || e->Text == "Click";
        } else if (e->Control == &FDisconnect) {
            FLinkEnded = true;
        } else if (e->Control != &FTree && ComponentInfoOf(e->Control)) {
            if (FPhase == "read" && IsValueControl(e->Control))
                FReadControls.insert(e->Control);
            ApplyControlText(*this, e->Control, e->Text);
        }
        return;
    }
    default:
        return;
    }
}

void TUnitRunner::Drain() {
    TOutElement* element = nullptr;
    while (FOut.PeekKind() != 0) {
        try {
            if (FOut.Take(element) != 0)
                Take(element);
        } catch (const std::exception&) {
            // As the window's drain: the element is lost, the next applied.
        }
    }
    FLog.Flush();
}

void TUnitRunner::Tick() {
    // Seen before the drain: whatever was posted before the link went idle
    // is then in the queue and is taken below.
    const bool idle = FLink->Mode() == rqIdle && !FLink->Ending();
    const bool ended = FLink->Ending();
    Drain();
    if (TClock::now() - FStart > FJob.Limit) {
        FTimedOut = true;
        Finish();
        return;
    }
    if (FState == TState::Connecting) {
        if (FConnected && !ended) {
            FState = TState::Working;
            const std::uint8_t request =
                FJob.Command == TUnitCommand::Write ? rqWriteAll : rqReadAll;
            SetPhase(FJob.Command == TUnitCommand::Write ? "write" : "read", 0, 0);
            FLink->SetMode(request);
        } else if (ended || FLinkEnded) {
            Finish();
        }
        return;
    }
    if (ended || FLinkEnded) {
        FLost = true;
        Finish();
    } else if (idle && FOut.PeekKind() == 0) {
        Finish();
    }
}

void TUnitRunner::Finish() {
    if (FState == TState::Done)
        return;
    FState = TState::Done;
    FLoop.quit();
}

void TUnitRunner::Compare(TUnitOutcome& Outcome) const {
    const TIniFile file(FJob.DiffFile);
    for (TForm* page : ParameterPages(FSet.Pages())) {
        for (TComponentInfo* c : page->Components()) {
            QObject* control = c->Object();
            if (!FReadControls.contains(control))
                continue;
            const std::string& section = page->Name();
            const std::string unit = StoredValue(control);
            const bool present = file.ValueExists(section, c->Name());
            const std::string stored = TrimBlanks(file.ReadString(section, c->Name(), ""));
            bool same = false;
            if (!present) {
                // A key the file lacks differs from whatever the unit holds.
            } else if (dynamic_cast<TCheckBox*>(control) || dynamic_cast<TRadioButton*>(control)) {
                const auto number = StrToIntStrict(stored);
                same = number && (*number != 0) == (unit == "1");
            } else if (dynamic_cast<TSpinEdit*>(control)) {
                same = StrToIntStrict(stored) == StrToIntStrict(unit);
            } else if (const auto form = TDevOrbelin::ParamFormOf(FSet.Pages(), control)) {
                same = SameValue(*form, stored, unit);
            } else {
                same = stored == TrimBlanks(unit);
            }
            if (same)
                continue;
            const auto* lamp = page->Find<TLabel>("lb" + c->Name());
            std::string caption = lamp ? ShortCaption(lamp->Caption()) : std::string();
            Outcome.Differences.push_back({section, c->Name(),
                                           caption.empty() ? c->Name() : caption, unit,
                                           present ? stored : "(none)"});
        }
    }
}

TUnitOutcome TUnitRunner::Run() {
    TUnitOutcome outcome;
    outcome.Port = FJob.Port;
    if (!FJob.LogFile.empty())
        FLog.Start(FJob.LogFile);
    SetPhase("connect", 0, 0);
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [this] { Tick(); });
    timer.start(DrainMs);
    FLink->Start(FJob.Port, FJob.Phone, FJob.WaitRegistration);
    FLoop.exec();
    timer.stop();
    // The link's last lines (hang-up, port closed) belong in the log too.
    FLink->End();
    Drain();
    FLog.Stop();

    outcome.Seconds = std::chrono::duration<double>(TClock::now() - FStart).count();
    outcome.Version = TrimBlanks(FVersion);
    outcome.Revision = FLink->Revision();
    outcome.Generation = FGeneration;
    outcome.Connected = FConnected;
    for (QObject* lamp : FLampOrder) {
        const TLampState& s = FLamps.at(lamp);
        const std::string name = ParamName(lamp);
        if (s.Write == clBlue)
            outcome.Written.push_back(name);
        if (s.Verify == clBlue)
            outcome.Verified.push_back(name);
        if (s.Write == clRed || s.Verify == clRed || s.Read == clRed)
            outcome.Failed.push_back(name);
    }
    const std::string why = !FMessages.empty()      ? FMessages.back()
                            : !FLastProblem.empty() ? FLastProblem
                                                    : FSplashText;
    if (!FConnected) {
        outcome.Exit = exNoConnection;
        outcome.Outcome = "no connection";
        outcome.Message = FTimedOut ? "no connection within the time limit" : FSplashText;
        return outcome;
    }
    const bool lost = FLost || FTimedOut;
    if (lost) {
        outcome.Exit = exSomeFailed;
        outcome.Outcome = "failed";
        outcome.Message = FTimedOut ? "not done within the time limit" : "link lost: " + why;
        return outcome;
    }
    switch (FJob.Command) {
    case TUnitCommand::Write:
        if (FWriteState.load() == 1 && outcome.Failed.empty()) {
            outcome.Outcome = "verified";
        } else {
            outcome.Exit = exSomeFailed;
            outcome.Outcome = "failed";
            outcome.Message = why;
        }
        break;
    case TUnitCommand::Read:
    case TUnitCommand::Diff:
        if (!outcome.Failed.empty()) {
            outcome.Exit = exSomeFailed;
            outcome.Outcome = "failed";
            outcome.Message = why;
        } else if (FJob.Command == TUnitCommand::Diff) {
            Compare(outcome);
            outcome.Outcome = outcome.Differences.empty() ? "same" : "differs";
            outcome.Exit = outcome.Differences.empty() ? exAllVerified : exSomeFailed;
        } else {
            outcome.Outcome = "read";
        }
        break;
    }
    return outcome;
}

} // namespace

TUnitOutcome RunUnit(const TUnitJob& Job, TUnitSet& Set, const TUnitProgress& Progress) {
    TUnitRunner runner(Job, Set, Progress);
    return runner.Run();
}
