#include "batch/UnitSupervisor.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <string_view>

struct TUnitSupervisor::TChildState {
    std::unique_ptr<TUnitChild> Process;
    QTimer Limit;
    // What its progress told: parameters written, whether the commit went.
    std::string Phase;
    int Written = 0;
    bool CommitSent = false;
    bool Reported = false;   // a readable outcome came
    bool Unreadable = false; // an outcome came that could not be read
    bool OverLimit = false;  // killed for its time limit
    bool Done = false;
};

struct TUnitSupervisor::TLoop {
    QEventLoop Loop;
    QTimer Grace;
};

namespace {

// What a unit whose process ended without a word holds, as far as the
// progress it told shows: the commit comes only after the read-back.
std::string StateSeen(const std::string& Phase, int Written, bool CommitSent) {
    if (CommitSent)
        return "записано параметров: " + std::to_string(Written) +
               ", команда сохранения в EEPROM отправлена, сохранено ли — неизвестно";
    if (Phase == "verify")
        return "записано параметров: " + std::to_string(Written) +
               ", сохранено ли в EEPROM — неизвестно";
    if (Written > 0)
        return "записано параметров: " + std::to_string(Written) + ", в EEPROM не сохранено";
    return "ничего не записано";
}

} // namespace

TStartUnit StartUnitProcess(const std::string& Program) {
    return [Program](const std::vector<std::string>& Args, TUnitProcess::TLine OnLine,
                     TUnitProcess::TEnd OnEnd, std::string& Error) -> std::unique_ptr<TUnitChild> {
        auto process = std::make_unique<TUnitProcess>(std::move(OnLine), std::move(OnEnd));
        if (!process->Start(Program, Args)) {
            Error = process->StartError();
            return nullptr;
        }
        return process;
    };
}

TUnitSupervisor::TUnitSupervisor(std::vector<TSupervisedUnit>& Units, TSupervision How,
                                 TStartUnit Start)
    : FUnits(Units), FHow(std::move(How)), FStart(std::move(Start)),
      FLoop(std::make_unique<TLoop>()) {
    if (FHow.Jobs == 0)
        FHow.Jobs = 1;
    for (std::size_t i = 0; i < FUnits.size(); ++i) {
        auto& c = FChildren.emplace_back(std::make_unique<TChildState>());
        c->Limit.setSingleShot(true);
        QObject::connect(&c->Limit, &QTimer::timeout, [this, i] {
            TChildState& child = *FChildren[i];
            if (child.Done || !child.Process)
                return;
            child.OverLimit = true;
            child.Process->Kill();
        });
    }
    FLoop->Grace.setSingleShot(true);
    QObject::connect(&FLoop->Grace, &QTimer::timeout, [this] {
        for (auto& c : FChildren)
            if (c->Process && !c->Done)
                c->Process->Kill();
    });
}

// The processes still running are killed and waited for by their own ends.
TUnitSupervisor::~TUnitSupervisor() = default;

void TUnitSupervisor::Run() {
    StartNext();
    if (FRunning == 0 && (FStopping || FNext == FUnits.size()))
        return;
    FRunningLoop = true;
    FLoop->Loop.exec();
    FRunningLoop = false;
}

void TUnitSupervisor::Stop() {
    if (FStopping)
        return;
    FStopping = true;
    // The units never started are done now: nothing was sent to them.
    for (; FNext < FUnits.size(); ++FNext) {
        TUnitOutcome& out = FUnits[FNext].Record.Outcome;
        out.Port = FUnits[FNext].Record.Port;
        out.Outcome = TUnitResult::Interrupted;
        out.Message = "не начато: ничего не записано";
        Done(FNext);
    }
    for (auto& c : FChildren)
        if (c->Process && !c->Done)
            c->Process->Stop();
    if (FRunning > 0)
        FLoop->Grace.start(FHow.StopGrace);
    else if (FRunningLoop)
        FLoop->Loop.quit();
}

void TUnitSupervisor::StartNext() {
    while (!FStopping && FNext < FUnits.size() && FRunning < FHow.Jobs) {
        const std::size_t index = FNext++;
        TChildState& c = *FChildren[index];
        std::string error;
        c.Process = FStart(
            FUnits[index].Args, [this, index](const std::string& Text) { Line(index, Text); },
            [this, index](int Code, bool Crashed, const std::string& Errors) {
                End(index, Code, Crashed, Errors);
            },
            error);
        if (!c.Process) {
            // The run goes on with the others.
            TUnitOutcome& out = FUnits[index].Record.Outcome;
            out.Port = FUnits[index].Record.Port;
            out.Outcome = TUnitResult::Failed;
            out.Message = "процесс блока не запустился" +
                          (error.empty() ? std::string() : ": " + error) + "; ничего не записано";
            Done(index);
            continue;
        }
        ++FRunning;
        c.Limit.start(FHow.Limit);
    }
}

void TUnitSupervisor::Line(std::size_t Index, const std::string& Text) {
    TChildState& c = *FChildren[Index];
    if (Text.starts_with(ProgressTag)) {
        char phase[32] = {};
        int step = 0, total = 0;
        if (std::sscanf(Text.c_str() + std::string_view(ProgressTag).size(), "%31s %d %d", phase,
                        &step, &total) >= 1) {
            c.Phase = phase;
            // A read-back counts what was written; the last step of a write
            // may come too late to be told.
            if (c.Phase == "write" || c.Phase == "verify")
                c.Written = std::max(c.Written, c.Phase == "write" ? step : total);
            c.CommitSent = c.CommitSent || c.Phase == "commit";
            if (FHow.Progress)
                FHow.Progress(Index, c.Phase, step, total);
        }
    } else if (Text.starts_with(OutcomeTag)) {
        const QJsonDocument doc = QJsonDocument::fromJson(
            QByteArray::fromStdString(Text.substr(std::string_view(OutcomeTag).size())));
        auto outcome = doc.isObject() ? OutcomeFromJson(doc.object()) : std::nullopt;
        if (!outcome) {
            c.Unreadable = true;
            return;
        }
        FUnits[Index].Record.Outcome = std::move(*outcome);
        c.Reported = true;
    }
}

void TUnitSupervisor::End(std::size_t Index, int Code, bool Crashed, const std::string& Errors) {
    TChildState& c = *FChildren[Index];
    c.Limit.stop();
    --FRunning;
    TUnitOutcome& out = FUnits[Index].Record.Outcome;
    if (!c.Reported) {
        // Its outcome is not known: what reached the unit is what its
        // progress told, and the journal keeps that.
        std::string why;
        if (c.OverLimit)
            why = "не завершился за отведённое время и остановлен";
        else if (FStopping)
            why = "не завершился вовремя после прерывания и остановлен";
        else if (c.Unreadable)
            why = "сообщил итог, который нельзя прочитать";
        else if (Crashed)
            why = "аварийно (" + std::to_string(Code) + ")";
        else
            why = "с кодом " + std::to_string(Code) + ", не сообщив итога";
        if (!Errors.empty())
            why += ": " + Errors.substr(0, Errors.find('\n'));
        out.Port = FUnits[Index].Record.Port;
        out.Outcome = FStopping && !c.OverLimit ? TUnitResult::Interrupted : TUnitResult::Failed;
        out.CommitSent = c.CommitSent;
        out.WrittenSeen = c.Written;
        out.Message = "итог неизвестен: процесс завершён (" + why + "); " +
                      StateSeen(c.Phase, c.Written, c.CommitSent);
    }
    Done(Index);
    if (FStopping) {
        if (FRunning == 0 && FRunningLoop)
            FLoop->Loop.quit();
        return;
    }
    StartNext();
    if (FRunning == 0 && FNext == FUnits.size() && FRunningLoop)
        FLoop->Loop.quit();
}

void TUnitSupervisor::Done(std::size_t Index) {
    FChildren[Index]->Done = true;
    if (FHow.Ended)
        FHow.Ended(Index);
}
