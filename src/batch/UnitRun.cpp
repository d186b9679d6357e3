#include "batch/UnitRun.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>

#include "batch/UnitSet.h"
#include "device/DevOrbelin.h"
#include "device/PageTable.h"
#include "device/ParamCodec.h"
#include "pages/f_common.h"
#include "pages/f_inout.h"
#include "params/ParamForm.h"
#include "params/ParamTable.h"
#include "queue/Appliers.h"
#include "queue/OutArray.h"
#include "queue/Protocol.h"
#include "services/DebugLog.h"
#include "services/DeviceLink.h"
#include "services/GuiWake.h"
#include "services/QuitSignals.h"
#include "services/Settings.h"
#include "toolkit/Colors.h"
#include "toolkit/IniFile.h"
#include "toolkit/TextUtil.h"

namespace {

using TClock = std::chrono::steady_clock;

// The phases of the device's walks, as the progress names them.
const char* PhaseName(TWalkPhase Phase) {
    switch (Phase) {
    case TWalkPhase::Read:
        return "read";
    case TWalkPhase::Write:
        return "write";
    case TWalkPhase::Verify:
        return "verify";
    }
    return "";
}

// The runner of the unit under way, for a stop request to reach.
class TUnitRunner;
TUnitRunner* RunningUnit = nullptr;

// Whether a set's value for a control is what the unit holds.
bool SameAsUnit(const TParamDef& Row, QObject* Control, const TParamRecord& Record,
                const std::string& Stored) {
    if (!Record.Exact)
        return Stored == RecordValue(Row, Control, Record);
    const TValueControl control(Control);
    if (control.IsBox()) {
        const auto number = StrToIntStrict(Stored);
        return number && (*number != 0) == (Record.Shown == "true");
    }
    if (control.IsSpin())
        return StrToIntStrict(Stored) == StrToIntStrict(Record.Shown);
    const TParamForm form = Row.Codec == TParamCodec::Field ? Row.Form : ReadForm(Row);
    return SameValue(form, Stored, Record.Shown);
}

class TUnitRunner : public TApplyHost {
public:
    TUnitRunner(const TUnitJob& Job, TUnitSet& Set, const TUnitProgress& Progress)
        : FJob(Job), FSet(Set), FProgress(Progress), FWake([this] { Tick(); }) {
        // Drained when something was posted, as the window does: a unit
        // that waits for its link costs nothing meanwhile.
        FOut.SetWakeUp([this] { FWake.Raise(); });
        FLink = std::make_unique<TDeviceLink>(FOut);
        // No status bar: the walk's progress comes as its events.
        TDevicePages pages = Set.Pages();
        pages.StatusPanel4 = nullptr;
        FLink->SetPages(pages);
        FLink->SetCurrentPage(pages.formCommon);
        // The batch writes nothing it has not read back.
        FLink->SetVerifyWrites(true);
    }

    ~TUnitRunner() override {
        FLink->End();
        FWake.Stop();
    }

    TUnitOutcome Run();
    // A stop request has come: looked at now, not at the next post.
    void StopRequested() { FWake.Raise(); }

    // TApplyHost: the window's memo is not there; its log is the unit's.
    void AppendMemoLine(const std::string&) override {}
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

    void Drain();
    void Take(TOutElement* Element);
    void Take(const TUnitEvent& Event);
    void Tick();
    void SetPhase(const std::string& Phase, int Step, int Total);
    void Finish();
    // Each parameter of the request, from its page's records.
    void Gather(TUnitOutcome& Outcome) const;
    // Whether the set gives a value for everything a unit of this
    // generation is written; what it lacks goes to FNotInSet.
    bool SetHoldsEverything();
    void Compare(TUnitOutcome& Outcome) const;

    const TUnitJob& FJob;
    TUnitSet& FSet;
    const TUnitProgress& FProgress;
    TGuiWake FWake; // raised by the queue's posts, the time limit and stop requests
    TOutArray FOut;
    std::unique_ptr<TDeviceLink> FLink;
    TDebugLog FLog;

    TState FState = TState::Connecting;
    bool FLinkEnded = false;
    bool FConnected = false;
    TCommitState FCommit = csNone;
    std::optional<TUnitEvent> FWalk; // the walk's last step since the last look
    bool FTimedOut = false;
    bool FInterrupted = false;
    bool FLost = false; // the link ended before the request was done
    int FGeneration = -1;
    std::optional<TUnitEvent> FFailure; // why a connection attempt failed
    std::vector<std::string> FMessages; // the device's messages, for the operator
    std::vector<std::string> FNotInSet; // what the set lacks for this unit's generation
    std::string FPhase = "connect";
    int FStep = -1;
    QEventLoop FLoop;
    TClock::time_point FStart = TClock::now();
};

void TUnitRunner::SetPhase(const std::string& Phase, int Step, int Total) {
    FPhase = Phase;
    FStep = Step;
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
    case okColor: {
        const auto* e = static_cast<TControlOut*>(Element);
        ApplyControlColor(e->Control, e->Text);
        return;
    }
    case okControl: {
        // Only registered controls take their texts: nothing is on a screen.
        const auto* e = static_cast<TControlOut*>(Element);
        if (ComponentInfoOf(e->Control))
            ApplyControlText(*this, e->Control, e->Text);
        return;
    }
    case okEvent:
        Take(static_cast<TEventOut*>(Element)->Event);
        return;
    default:
        return;
    }
}

void TUnitRunner::Take(const TUnitEvent& Event) {
    using TKind = TUnitEvent::TKind;
    switch (Event.Kind) {
    case TKind::LinkFailed:
        FFailure = Event;
        break;
    case TKind::Connected:
        SetGeneration(Event.Generation);
        FConnected = true;
        break;
    case TKind::LinkEnded:
        FLinkEnded = true;
        break;
    case TKind::WalkStep:
        FWalk = Event;
        break;
    case TKind::Commit:
        FCommit = Event.Commit;
        break;
    default:
        break;
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
    if (FState == TState::Done)
        return;
    FOut.WakeTaken();
    // Seen before the drain: whatever was posted before the link went idle
    // is then in the queue and is taken below.
    const bool idle = FLink->Mode() == rqIdle && !FLink->Ending();
    const bool ended = FLink->Ending();
    Drain();
    if (FWalk && (PhaseName(FWalk->Phase) != FPhase || FWalk->Step != FStep))
        SetPhase(PhaseName(FWalk->Phase), FWalk->Step, FWalk->Total);
    FWalk.reset();
    // Told, so that the run of a list knows it of a process that ends
    // without its outcome.
    if (FPhase != "commit" && FLink->Device().CommitSent())
        SetPhase("commit", 0, 0);
    if (TClock::now() - FStart > FJob.Limit) {
        FTimedOut = true;
        Finish();
        return;
    }
    if (FJob.Stopped && FJob.Stopped()) {
        FInterrupted = true;
        Finish();
        return;
    }
    if (FState == TState::Connecting) {
        if (FConnected && !ended) {
            FGeneration = FLink->Device().Generation();
            if (FJob.Command == TUnitCommand::Write && FJob.Complete && !SetHoldsEverything()) {
                Finish();
                return;
            }
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

bool TUnitRunner::SetHoldsEverything() {
    for (TParamPage* page : ParameterPages(FSet.Pages())) {
        const TPageInfo* info = PageInfoOf(FSet.Pages(), page);
        for (const TParamDef* row : ParamsOfPage(info ? info->Number : 0)) {
            if (!row->WrittenInGeneration(FGeneration))
                continue;
            for (const std::string& name : row->ControlNames())
                if (page->FRefValues.Record(name).Source == TValueSource::None)
                    FNotInSet.push_back(ParamWords(*page, info->Number, name).Text());
        }
    }
    return FNotInSet.empty();
}

void TUnitRunner::Gather(TUnitOutcome& Outcome) const {
    const bool write = FJob.Command == TUnitCommand::Write;
    for (TParamPage* page : ParameterPages(FSet.Pages())) {
        const TPageInfo* info = PageInfoOf(FSet.Pages(), page);
        for (const TParamDef* row : ParamsOfPage(info ? info->Number : 0)) {
            const auto names = row->ControlNames();
            if (names.empty() || !row->Stored() ||
                !(write ? row->WrittenInGeneration(FGeneration)
                        : row->ReadInGeneration(FGeneration)))
                continue;
            const TParamResult& result = Outcome.Params.emplace_back(ParamResultOf(*page, *row));
            const std::string& name = result.Name;
            if (SentToUnit(result.Outcome))
                Outcome.Written.push_back(name);
            if (result.Outcome == TParamOutcome::Verified)
                Outcome.Verified.push_back(name);
            if (FailedOutcome(result.Outcome))
                Outcome.Failed.push_back(name);
            if (result.Outcome == TParamOutcome::NotShown)
                Outcome.Kept.push_back(name);
        }
    }
}

void TUnitRunner::Compare(TUnitOutcome& Outcome) const {
    const TIniFile file(FJob.DiffFile);
    for (TParamPage* page : ParameterPages(FSet.Pages())) {
        const TPageInfo* info = PageInfoOf(FSet.Pages(), page);
        const int number = info ? info->Number : 0;
        const std::string& section = page->Name();
        for (const std::string& name : StoredControls(number)) {
            const TParamDef* row = ParamOfControl(number, name);
            QObject* control = page->FindComponent(name);
            if (!row || !control || !row->ReadInGeneration(FGeneration))
                continue;
            const TParamRecord rec = page->FRefValues.Record(name);
            if (rec.Source != TValueSource::Unit)
                continue;
            const bool present = file.ValueExists(section, name);
            const std::string stored = TrimBlanks(file.ReadString(section, name, ""));
            // A value left to the unit is no difference.
            if (present && ((stored == KeepUnitValue && !TValueControl(control).IsEdit()) ||
                            SameAsUnit(*row, control, rec, stored)))
                continue;
            // Printed and kept in the report: a password only as "***".
            Outcome.Differences.push_back({section, name, ParamWords(*page, number, name).Text(),
                                           ShownInReports(*row, RecordValue(*row, control, rec)),
                                           present ? ShownInReports(*row, stored) : "(none)"});
        }
    }
}

TUnitOutcome TUnitRunner::Run() {
    TUnitOutcome outcome;
    outcome.Port = FJob.Port;
    if (!FJob.LogFile.empty()) {
        FLog.SetText(TDebugLog::TText::Native);
        FLog.Start(FJob.LogFile);
    }
    SetPhase("connect", 0, 0);
    // The one thing that comes unposted: the end of the unit's time.
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, [this] { Tick(); });
    limit.start(std::chrono::duration_cast<std::chrono::milliseconds>(FJob.Limit) +
                std::chrono::milliseconds(1));
    FLink->Start(FJob.Port, FJob.Phone, FJob.WaitRegistration);
    // A stop request gives the program time to hang a call up.
    TQuitOnSignals::AllowShutdown(TQuitOnSignals::ShutdownLimit + FLink->EndLimit());
    RunningUnit = this;
    // A request that came before the wake stood is looked at once.
    FWake.Raise();
    FLoop.exec();
    RunningUnit = nullptr;
    limit.stop();
    const bool connected = FLink->Device().Established();
    outcome.Version = TrimBlanks(FLink->Device().Version());
    // The link's last lines (hang-up, port closed) belong in the log too.
    FLink->End(FInterrupted);
    Drain();
    FLog.Stop();

    outcome.Seconds = std::chrono::duration<double>(TClock::now() - FStart).count();
    outcome.Revision = FLink->Revision();
    outcome.Generation = FGeneration;
    outcome.Connected = connected;
    outcome.ObjNum = FLink->Device().ObjectNumberHeld();
    outcome.CommitSent = FLink->Device().CommitSent();
    outcome.Committed = FLink->Device().Committed();
    if (FInterrupted) {
        Gather(outcome);
        outcome.Outcome = TUnitResult::Interrupted;
        outcome.Message = InterruptedState(outcome);
        return outcome;
    }
    if (!connected) {
        outcome.Outcome = TUnitResult::NoConnection;
        outcome.Message = FTimedOut  ? "нет связи за отведённое время"
                          : FFailure ? LinkFailureText(*FFailure)
                                     : std::string();
        return outcome;
    }
    if (!FNotInSet.empty()) {
        // Nothing was sent: the set is not one for a unit of this generation.
        outcome.Outcome = TUnitResult::SetNotForUnit;
        std::string names;
        for (std::size_t i = 0; i < FNotInSet.size() && i < 3; ++i)
            names += (i ? ", " : "") + FNotInSet[i];
        outcome.Message = "--complete: в наборе нет значений для блока поколения " +
                          std::to_string(FGeneration) + ": " + std::to_string(FNotInSet.size()) +
                          " (" + names + (FNotInSet.size() > 3 ? ", …)" : ")");
        outcome.Failed = FNotInSet;
        return outcome;
    }
    Gather(outcome);
    // Why, in the device's words: its last message, or the first parameter
    // that failed and the reason its record gives.
    std::string why = FMessages.empty() ? std::string() : FMessages.back();
    if (why.empty())
        for (const TParamResult& p : outcome.Params)
            if (std::find(outcome.Failed.begin(), outcome.Failed.end(), p.Name) !=
                outcome.Failed.end()) {
                why = (p.Caption.empty() ? p.Name : p.Caption) + ": " + OutcomeWords(p.Outcome) +
                      (p.Note.empty() ? "" : ", " + p.Note);
                break;
            }
    if (FLost || FTimedOut) {
        outcome.Outcome = TUnitResult::Failed;
        outcome.Message = FTimedOut ? "не выполнено за отведённое время" : "связь потеряна: " + why;
        return outcome;
    }
    switch (FJob.Command) {
    case TUnitCommand::Write:
        if (FCommit == csCommitted && outcome.Failed.empty()) {
            outcome.Outcome = TUnitResult::Verified;
        } else {
            outcome.Outcome = TUnitResult::Failed;
            outcome.Message = why;
        }
        break;
    case TUnitCommand::Read:
    case TUnitCommand::Diff:
        if (!outcome.Failed.empty()) {
            outcome.Outcome = TUnitResult::Failed;
            outcome.Message = why;
        } else if (FJob.Command == TUnitCommand::Diff) {
            Compare(outcome);
            outcome.Outcome =
                outcome.Differences.empty() ? TUnitResult::Same : TUnitResult::Differs;
        } else {
            outcome.Outcome = TUnitResult::Read;
        }
        break;
    }
    return outcome;
}

} // namespace

std::string InterruptedState(const TUnitOutcome& Outcome) {
    if (Outcome.Committed)
        return "записано и сохранено в EEPROM";
    if (Outcome.CommitSent)
        return "записано, сохранение в EEPROM не подтверждено";
    if (!Outcome.Written.empty())
        return "записано, в EEPROM не сохранено (параметров: " +
               std::to_string(Outcome.Written.size()) + ")";
    return "ничего не записано";
}

void UnitStopRequested() {
    if (RunningUnit)
        RunningUnit->StopRequested();
}

TUnitOutcome RunUnit(const TUnitJob& Job, TUnitSet& Set, const TUnitProgress& Progress) {
    TUnitRunner runner(Job, Set, Progress);
    return runner.Run();
}
