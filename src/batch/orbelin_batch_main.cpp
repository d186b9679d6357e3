// orbelin-batch: provisioning units from the command line. One unit runs in
// this process; a list of units runs each unit in a process of its own (this
// program again, with --child), so that a unit whose link hangs or whose
// process dies takes no other unit with it, and the units' protocol pauses
// overlap instead of adding up.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "batch/BatchJournal.h"
#include "batch/BatchOptions.h"
#include "batch/BatchReport.h"
#include "batch/Terminal.h"
#include "batch/UnitProcess.h"
#include "batch/UnitProcessOs.h"
#include "batch/UnitRun.h"
#include "batch/UnitSet.h"
#include "batch/UnitSupervisor.h"
#include "batch/UnitsCsv.h"
#include "services/Display.h"
#include "services/ProgramOptions.h"
#include "services/QuitSignals.h"
#include "toolkit/ExceptionHandler.h"
#include "toolkit/FileIo.h"
#include "toolkit/Platform.h"
#include "toolkit/TextUtil.h"

namespace {

// Text from units and files is printed with its control characters escaped.
void Refuse(const std::string& Message) {
    std::fprintf(stderr, "orbelin-batch: %s\n", ControlsEscaped(Message, true).c_str());
}

void PrintText(const std::string& Text) {
    std::fputs(ControlsEscaped(Text, true).c_str(), stdout);
}

// Failures of handlers the event loop runs are told like every other.
void TellFailures(TUnitSet& Set) {
    Set.Owner().SetExceptionHandler([](const std::string& message) { Refuse(message); });
}

int RefuseAll(const std::vector<std::string>& Problems) {
    for (const std::string& p : Problems)
        Refuse(p);
    Refuse("ни одному блоку ничего не отправлено");
    return exBadInput;
}

// The folders the run will write into exist (or are made) before a port is
// opened: a report that cannot be written after a run would lose its record.
std::optional<std::string> PrepareOutputs(const TBatchOptions& o) {
    if (!o.LogDir.empty()) {
        // The logs hold the units' passwords: a folder made for them is the
        // user's alone.
        const QString folder = QString::fromStdString(o.LogDir);
        const bool made = !QFileInfo::exists(folder);
        if (!QDir().mkpath(folder))
            return "не удалось создать папку протоколов " + o.LogDir;
        if (made)
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    if (o.Command == "write" && !o.Child)
        if (auto problem = JournalUnwritable())
            return problem;
    for (const std::string& file : {o.Report, o.Out}) {
        if (file.empty())
            continue;
        const QFileInfo info(QString::fromStdString(file));
        const QFileInfo folder(info.absolutePath());
        if (!folder.isDir() || !folder.isWritable())
            return "нельзя записать в папку файла " + file;
        if (info.exists() && (info.isDir() || !info.isWritable()))
            return "нельзя записать " + file;
    }
    return std::nullopt;
}

std::vector<TOverride> SetOverrides(const TBatchOptions& o) {
    std::vector<TOverride> overrides;
    for (const auto& [name, value] : o.Sets)
        overrides.push_back({name, value, "--set"});
    return overrides;
}

// Where a live line per unit goes: redrawn in place on a terminal, as plain
// lines on a change of phase otherwise.
class TProgressBoard {
public:
    explicit TProgressBoard(std::vector<std::string> Ports)
        : FPorts(std::move(Ports)), FLines(FPorts.size()), FPhases(FPorts.size()),
          FTerminal(StdoutIsTerminal()) {
        for (std::string& port : FPorts)
            port = ControlsEscaped(port);
        for (std::size_t i = 0; i < FPorts.size(); ++i)
            FLines[i] = WordFor("waiting");
        if (FTerminal)
            Draw(true);
    }

    // Phase: a phase or an outcome, in the report's words; shown in the
    // operator's.
    void Set(std::size_t Unit, const std::string& Phase, int Step, int Total) {
        std::string text = ControlsEscaped(WordFor(Phase));
        if (Total > 0)
            text += " " + std::to_string(Step) + "/" + std::to_string(Total);
        if (text == FLines[Unit])
            return;
        const bool newPhase = FPhases[Unit] != Phase;
        FPhases[Unit] = Phase;
        FLines[Unit] = text;
        if (FTerminal)
            FDirty = true;
        else if (newPhase)
            std::printf("%s: %s\n", FPorts[Unit].c_str(), ControlsEscaped(WordFor(Phase)).c_str());
        std::fflush(stdout);
    }

    // On a terminal, at most a few times a second.
    void Redraw() {
        if (FTerminal && FDirty)
            Draw(false);
    }

private:
    void Draw(bool First) {
        FDirty = false;
        if (!First)
            std::printf("\x1b[%zuA", FPorts.size());
        for (std::size_t i = 0; i < FPorts.size(); ++i)
            std::printf("\r\x1b[K%-20s %s\n", FPorts[i].c_str(), FLines[i].c_str());
        std::fflush(stdout);
    }

    std::vector<std::string> FPorts;
    std::vector<std::string> FLines;
    std::vector<std::string> FPhases;
    bool FTerminal;
    bool FDirty = false;
};

int RunOne(const TBatchOptions& o) {
    // A stop request ends the unit's link and tells what it holds; a unit
    // of a list takes a repeated one as the first, as the list's run gives
    // it its time and kills it after. Taken before the set is copied to a
    // temporary file, so that no request ends the program with it there.
    TQuitOnSignals stops(UnitStopRequested, o.Child ? TQuitOnSignals::TRepeat::IsIgnored
                                                    : TQuitOnSignals::TRepeat::EndsAtOnce);
    TUnitSet set;
    TellFailures(set);
    try {
        if (o.Command != "read")
            set.Load(o.In, SetOverrides(o));
    } catch (const ESetRefused& e) {
        return RefuseAll(e.Problems);
    } catch (const std::exception& e) {
        return RefuseAll({e.what()});
    }
    if (const auto problem = PrepareOutputs(o))
        return RefuseAll({*problem});

    TUnitJob job;
    job.Command = o.Command == "read"   ? TUnitCommand::Read
                  : o.Command == "diff" ? TUnitCommand::Diff
                                        : TUnitCommand::Write;
    job.Port = o.Port;
    job.Phone = o.Phone;
    job.WaitRegistration = o.WaitRegistration;
    job.Complete = o.Complete;
    job.LogFile = !o.LogFile.empty() ? o.LogFile
                  : o.LogDir.empty() ? std::string()
                                     : o.LogDir + "/" + LogName(o.Port);
    job.DiffFile = o.In;
    job.Limit = std::chrono::seconds(o.LimitSeconds);
    job.Stopped = [] { return TQuitOnSignals::Stopping(); };

    TProgressBoard* board = nullptr;
    std::unique_ptr<TProgressBoard> own;
    if (!o.Child) {
        own = std::make_unique<TProgressBoard>(std::vector<std::string>{o.Port});
        board = own.get();
    }
    const TUnitProgress progress = [&](const std::string& Phase, int Step, int Total) {
        if (o.Child) {
            std::printf("%s%s %d %d\n", ProgressTag, Phase.c_str(), Step, Total);
            std::fflush(stdout);
        } else {
            board->Set(0, Phase, Step, Total);
            board->Redraw();
        }
    };
    TUnitOutcome outcome = RunUnit(job, set, progress);

    if (job.Command == TUnitCommand::Read && outcome.Connected &&
        outcome.Outcome != TUnitResult::Interrupted &&
        (outcome.Outcome == TUnitResult::Read || !outcome.Failed.empty())) {
        try {
            set.Save(o.Out);
        } catch (const std::exception& e) {
            outcome.Outcome = TUnitResult::Failed;
            outcome.Message = e.what();
        }
    }
    if (o.Child) {
        const QByteArray json =
            QJsonDocument(OutcomeToJson(outcome)).toJson(QJsonDocument::Compact);
        std::printf("%s%s\n", OutcomeTag, json.constData());
        std::fflush(stdout);
        return outcome.Exit();
    }

    std::vector<TUnitRecord> units{{o.Port, o.Phone, job.LogFile, outcome}};
    if (job.Command == TUnitCommand::Write)
        if (const auto problem = JournalUnit(units.front(), o.In))
            Refuse(*problem);
    if (job.Command == TUnitCommand::Diff) {
        for (const TDifference& d : outcome.Differences)
            std::printf("%s\tблок: %s\tфайл: %s\n", ControlsEscaped(d.Caption).c_str(),
                        ControlsEscaped(d.UnitValue).c_str(), ControlsEscaped(d.FileValue).c_str());
        if (outcome.Connected && outcome.Failed.empty())
            std::printf("различий: %zu\n", outcome.Differences.size());
    }
    if (job.Command == TUnitCommand::Read && outcome.Exit() == exAllVerified)
        std::printf("прочитано в %s\n", o.Out.c_str());
    if (job.Command != TUnitCommand::Write) {
        // What a read could not take is not in the set; what no field shows
        // is in it as the unit holds it.
        const auto list = [&](const char* What, const std::vector<std::string>& Names) {
            if (!Names.empty())
                std::printf("%s: %s\n", What, ControlsEscaped(CaptionsOf(outcome, Names)).c_str());
        };
        list("не прочитаны, в набор не вошли", outcome.Failed);
        list("оставлены, как хранит блок", outcome.Kept);
    }
    if (job.Command == TUnitCommand::Write)
        PrintText(SummaryTable(units));
    else if (outcome.Exit() != exAllVerified && !outcome.Message.empty())
        Refuse(o.Port + ": " + WordsOf(outcome.Outcome).Operator + ": " + outcome.Message);
    if (!o.Report.empty()) {
        try {
            WriteReport(o.Report, o.Command, o.In, units, outcome.Exit());
        } catch (const std::exception& e) {
            Refuse(e.what());
        }
    }
    return outcome.Exit();
}

// How long a unit's process may take to end after a stop request: its link,
// a call's bounded hang-up included.
constexpr std::chrono::milliseconds ChildEndBudget{std::chrono::seconds(10)};

int RunList(const TBatchOptions& o) {
    // A stop request ends the run the orderly way, in the time it takes the
    // units to end theirs. It is taken before the run puts anything on the
    // disk: one that comes while the sets are made starts no unit, and the
    // sets (with their passwords) go with the run.
    TUnitSupervisor* running = nullptr;
    TQuitOnSignals stops([&] {
        if (running)
            running->Stop();
    });
    TQuitOnSignals::AllowShutdown(ChildEndBudget + std::chrono::seconds(10));
    const TFileRead csv = ReadFileBytes(o.Units, MaxUnitsCsvBytes + 1);
    if (csv.Status != TFileRead::Ok)
        return RefuseAll(
            {o.Units + ": " + (csv.Status == TFileRead::Missing ? "нет такого файла" : csv.Error)});
    std::string error;
    TUnitsHeader header;
    auto rows = ReadUnitsCsv(csv.Bytes, error, &header);
    if (!rows)
        return RefuseAll({o.Units + ": " + error});

    // Every unit's set is made and checked before the first port opens.
    QTemporaryDir sets;
    std::vector<TSupervisedUnit> units(rows->size());
    std::vector<std::string> setFiles(rows->size()); // each with its unit's values
    for (std::size_t i = 0; i < setFiles.size(); ++i)
        setFiles[i] = StdStr(sets.filePath(QString("unit%1.ini").arg(i)));
    // A run ended at once (Ctrl+C twice) leaves no passwords behind either.
    std::vector<std::string> made = setFiles;
    made.push_back(StdStr(sets.path()));
    TQuitOnSignals::RemoveAtHardEnd(std::move(made));
    std::vector<std::string> problems;
    {
        TUnitSet set;
        TellFailures(set);
        // A header that names no parameter is said once, not for every unit.
        if (const auto named = set.CheckColumns(header, o.Units); !named.empty())
            return RefuseAll(named);
        for (std::size_t i = 0; i < rows->size(); ++i) {
            const TUnitRow& row = (*rows)[i];
            std::vector<TOverride> overrides = SetOverrides(o);
            for (const auto& [name, value] : row.Values)
                overrides.push_back({name, value, o.Units + " строка " + std::to_string(row.Line)});
            TUnitRecord& r = units[i].Record;
            r.Port = row.Port;
            r.Phone = row.Phone;
            r.Outcome.Port = row.Port;
            try {
                set.Load(o.In, overrides, setFiles[i]);
            } catch (const ESetRefused& e) {
                problems.insert(problems.end(), e.Problems.begin(), e.Problems.end());
            } catch (const std::exception& e) {
                return RefuseAll({e.what()});
            }
        }
    }
    if (!problems.empty())
        return RefuseAll(problems);
    if (const auto problem = PrepareOutputs(o))
        return RefuseAll({*problem});

    std::vector<std::string> ports;
    std::map<std::string, int> logNames;
    for (std::size_t i = 0; i < units.size(); ++i) {
        TUnitRecord& r = units[i].Record;
        ports.push_back(r.Port);
        if (!o.LogDir.empty()) {
            std::string name = LogName(r.Port);
            if (const int seen = logNames[name]++; seen > 0)
                name = name.substr(0, name.size() - 4) + "-" + std::to_string(seen + 1) + ".log";
            r.LogFile = o.LogDir + "/" + name;
        }
        std::vector<std::string>& args = units[i].Args;
        args = {"write", "--child",   "--port",  r.Port,
                "--in",  setFiles[i], "--limit", std::to_string(o.LimitSeconds)};
        if (!r.Phone.empty())
            args.insert(args.end(), {"--phone", r.Phone});
        if (!o.WaitRegistration)
            args.push_back("--no-reg-wait");
        if (o.Complete)
            args.push_back("--complete");
        if (!r.LogFile.empty())
            args.insert(args.end(), {"--log-file", r.LogFile});
    }
    TProgressBoard board(ports);
    TSupervision how;
    // A unit's time is the protocol's pauses, not this machine's: every unit
    // of the list at once, as far as the system lets this program go.
    how.Jobs = std::min(o.Jobs > 0 ? static_cast<std::size_t>(o.Jobs)
                                   : std::min(units.size(), std::size_t(DefaultMostJobs)),
                        TChildOs::MostAtOnce());
    // A unit's process keeps its own limit and then ends its link; past
    // that, it is hung.
    how.Limit = std::chrono::seconds(o.LimitSeconds) + ChildEndBudget + std::chrono::seconds(10);
    how.StopGrace = ChildEndBudget + std::chrono::seconds(5);
    how.Progress = [&](std::size_t Unit, const std::string& Phase, int Step, int Total) {
        board.Set(Unit, Phase, Step, Total);
    };
    how.Ended = [&](std::size_t Unit) {
        board.Set(Unit, WordsOf(units[Unit].Record.Outcome.Outcome).Report, 0, 0);
        if (const auto problem = JournalUnit(units[Unit].Record, o.In))
            Refuse(*problem);
    };
    TUnitSupervisor run(units, how,
                        StartUnitProcess(StdStr(QCoreApplication::applicationFilePath())));
    running = &run;
    if (TQuitOnSignals::Stopping())
        run.Stop();
    QTimer redraw;
    QObject::connect(&redraw, &QTimer::timeout, [&] { board.Redraw(); });
    redraw.start(200);
    run.Run();
    board.Redraw();

    std::vector<TUnitRecord> records;
    for (const TSupervisedUnit& u : units) {
        records.push_back(u.Record);
        records.back().Outcome.Port = u.Record.Port;
    }
    const int exit = CombinedExit(records);
    PrintText(SummaryTable(records));
    if (!o.Report.empty()) {
        try {
            WriteReport(o.Report, o.Command, o.In, records, exit);
        } catch (const std::exception& e) {
            Refuse(e.what());
        }
    }
    return exit;
}

// Qt's own notes (a missing runtime folder of the offscreen platform) are
// not this program's output; its warnings still go to stderr.
void QtMessage(QtMsgType Type, const QMessageLogContext&, const QString& Text) {
    if (Type == QtDebugMsg || Type == QtInfoMsg || Text.contains("XDG_RUNTIME_DIR"))
        return;
    std::fprintf(stderr, "orbelin-batch: %s\n", qPrintable(Text));
}

} // namespace

int main(int argc, char** argv) {
    PrepareConsole();
    const std::vector<std::string> args = PlatformArguments(argc, argv);
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") {
            std::fputs(BatchUsage().c_str(), stdout);
            return 0;
        }
    const bool journal = !args.empty() && args.front() == "journal";
    TBatchOptions options;
    if (const auto error = journal ? std::nullopt : ParseBatchOptions(args, options)) {
        Refuse(*error);
        std::fputs("Справка: orbelin-batch --help\n", stderr);
        return RefuseAll({});
    }
    // No window is ever shown: the pages only hold the values.
    UseOffscreenPlatform();
    qInstallMessageHandler(QtMessage);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    app.setApplicationName("orbelin-batch");
    if (journal)
        return RunJournalCommand({args.begin() + 1, args.end()}, TUnitSet().Pages());
    if (options.Command == "columns") {
        std::fputs(ColumnsText(TUnitSet().Columns()).c_str(), stdout);
        return 0;
    }
    if (const auto error = UseProgramFolder(options.Home))
        Refuse(*error);
    return options.Units.empty() ? RunOne(options) : RunList(options);
}
