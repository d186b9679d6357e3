// orbelin-batch as the installer runs it, against simulated units: a set
// read from one unit and written to another with per-unit values, a list of
// units of which one keeps what it is sent, input that must be refused
// before any unit hears a word, and a run whose units' processes fail or
// which is stopped part way.

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <QTableWidget>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "OperatorWords.h"
#include "ProgramRun.h"
#include "SimulatedUnit.h"
#include "TempDir.h"
#include "app/JournalDlg.h"
#include "batch/BatchJournal.h"
#include "batch/BatchOptions.h"
#include "batch/BatchReport.h"
#include "batch/UnitProcess.h"
#include "batch/UnitSupervisor.h"
#include "batch/UnitsCsv.h"
#include "services/Journal.h"
#include "toolkit/Cp1251.h"
#include "toolkit/Platform.h"
#include "toolkit/ProgramFolder.h"
#ifndef _WIN32
#include "ChildProcess.h"
#include <csignal>
#endif

namespace {

using TRun = TProgramRun;

// The program run to its end, started as it starts the units of a list. A
// unit takes about 7 s against the simulator, and the program ends a unit
// that takes longer than its --limit. Its own files (the journal) go to a
// folder of the tests', never beside the program, unless a test names one.
TRun Batch(const std::vector<std::string>& Args) {
    static const TTempDir home("orb-batch-home-");
    qputenv("ORBELIN_HOME", QByteArray::fromStdString(home.Path()));
    return RunProgram(ORB_BATCH, Args);
}

std::string FileText(const QJsonValue& Path) {
    const std::string name = Path.toString().toStdString();
    std::ifstream in(std::filesystem::path(std::u8string(name.begin(), name.end())),
                     std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

QJsonObject Report(const TTempDir& Dir, const std::string& Name) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(Dir.Read(Name))).object();
}

bool HasName(const QJsonObject& Unit, const char* List, const char* Name) {
    return Unit.value(List).toObject().value("names").toArray().contains(QString(Name));
}

// A whole set as a unit holds it, read from a simulated unit once.
const std::string& FleetSet() {
    static const std::string set = [] {
        TTempDir dir;
        TSimulator source;
        Batch({"read", "--port", source.SlavePath(), "--out", dir.File("set.ini")});
        return dir.Read("set.ini");
    }();
    return set;
}

// The set with one key's value replaced.
std::string SetWith(std::string Set, const std::string& Key, const std::string& Value) {
    const std::size_t at = Set.find(Key + "=");
    return Set.replace(at, Set.find('\r', at) - at, Key + "=" + Value);
}

// The set as Notepad saves it: UTF-8 without a byte-order mark, with a
// Cyrillic login.
std::string Utf8SetWithLogin(const std::string& Login) {
    return SetWith(Cp1251ToUtf8(FleetSet()), "etLoginGPRS", Login);
}

bool Committed(TSimulator& Sim) {
    for (const std::string& c : Sim.Unit().Commands())
        if (c.starts_with("+J"))
            return true;
    return false;
}

} // namespace

TEST(Batch, ReadByCallWriteWithOverridesAndDiff) {
    TTempDir dir;
    // The set comes from a unit behind a GSM modem, by a data call.
    TSimOptions withModem;
    withModem.Modem = TSimModemConfig{};
    TSimulator source(withModem);
    TSimulator target;
    source.Unit().SetValue("etAccessPoint", "apn.fleet");

    const TRun read = Batch({"read", "--port", source.SlavePath(), "--phone", "5551234", "--out",
                             dir.File("fleet.ini")});
    ASSERT_EQ(read.Exit, 0) << read.Err;

    const TRun write = Batch({"write", "--port", target.SlavePath(), "--in", dir.File("fleet.ini"),
                              "--set", "etObjNum=0456", "--report", dir.File("report.json"),
                              "--log-dir", dir.File("logs")});
    ASSERT_EQ(write.Exit, 0) << write.Out << write.Err;
    EXPECT_EQ(target.Unit().Value("etAccessPoint"), "apn.fleet");
    EXPECT_EQ(target.Unit().Value("etObjNum"), "0456");
    EXPECT_TRUE(Committed(target));
    const QJsonObject unit = Report(dir, "report.json").value("units").toArray().at(0).toObject();
    EXPECT_EQ(unit.value("outcome").toString(), "verified");
    EXPECT_EQ(unit.value("generation").toInt(), 0);
    EXPECT_EQ(unit.value("written").toObject().value("count").toInt(), 30) << "every parameter";
    EXPECT_EQ(unit.value("verified").toObject().value("count"),
              unit.value("written").toObject().value("count"));
    EXPECT_TRUE(HasName(unit, "verified", "etObjNum"));
    // The unit's log holds the lines of log.txt, the write among them.
    const std::string log = FileText(unit.value("log"));
    EXPECT_NE(log.find("+O0456"), std::string::npos);
    // As a person reads it with cat: UTF-8, its own lines ended by LF (the
    // unit's replies keep the CR LF they came with).
    EXPECT_NE(log.find("Начали процесс"), std::string::npos);
    EXPECT_NE(log.find(std::string(81, '=') + PlatformLineEnd()), std::string::npos);

    // The source still holds the set as read; the target differs in one value.
    EXPECT_EQ(Batch({"diff", "--port", source.SlavePath(), "--phone", "5551234", "--in",
                     dir.File("fleet.ini")})
                  .Exit,
              0);
    const TRun diff = Batch({"diff", "--port", target.SlavePath(), "--in", dir.File("fleet.ini")});
    EXPECT_EQ(diff.Exit, 1);
    EXPECT_NE(diff.Out.find("блок: 0456\tфайл: 0123"), std::string::npos) << diff.Out;
    EXPECT_NE(diff.Out.find("различий: 1"), std::string::npos) << diff.Out;
}

// A unit that cannot be reached, or that does not keep what it is sent:
// the exit code and the report's outcome say which, and a unit that was
// not wholly verified has not been told to commit. The journal has a record
// of each unit a write reached, with what became of its commit.
struct TUnitFault {
    const char* Name;
    std::function<void(TSimulator&)> Arrange;
    bool NoPort;
    int Exit;
    const char* Outcome;
    const char* Said;    // in the report's message
    const char* Journal; // in what "orbelin-batch journal" prints
};

class BatchUnitFault : public testing::TestWithParam<TUnitFault> {};

TEST_P(BatchUnitFault, ExitCodeAndReport) {
    TTempDir dir;
    TSimulator unit;
    GetParam().Arrange(unit);
    dir.Write("set.ini", FleetSet());
    const TRun run = Batch(
        {"write", "--port", GetParam().NoPort ? dir.File("no-port") : unit.SlavePath(), "--in",
         dir.File("set.ini"), "--report", dir.File("report.json"), "--home", dir.Path()});
    EXPECT_EQ(run.Exit, GetParam().Exit) << run.Out << run.Err;
    const QJsonObject u = Report(dir, "report.json").value("units").toArray().at(0).toObject();
    EXPECT_EQ(u.value("outcome").toString(), GetParam().Outcome);
    EXPECT_TRUE(u.value("message").toString().contains(QString::fromUtf8(GetParam().Said)))
        << u.value("message").toString().toStdString();
    EXPECT_EQ(unit.Unit().CommitCount(), 0);
    const TRun journal = Batch({"journal", "--home", dir.Path()});
    EXPECT_NE(journal.Out.find(GetParam().Journal), std::string::npos) << journal.Out;
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BatchUnitFault,
    testing::Values(
        TUnitFault{"NoSuchPort", [](TSimulator&) {}, true, 3, "no connection", "COM", "записей: 0"},
        TUnitFault{"WrongFirmware", [](TSimulator& s) { s.Unit().SetVersionText("OTHER 1.0"); },
                   false, 3, "no connection", "версия прошивки", "записей: 0"},
        TUnitFault{"LineDropsDuringWrite",
                   [](TSimulator& s) {
                       s.Unit().AddFault(
                           {.Kind = TSimFaultKind::DropLine, .Command = "", .Skip = 5});
                   },
                   false, 1, "failed", "связь потеряна", "EEPROM: не выполнено; ошибка"},
        TUnitFault{"WriteRefused",
                   [](TSimulator& s) {
                       s.Unit().AddFault(
                           {.Kind = TSimFaultKind::Error, .Command = "+O0", .Count = -1});
                   },
                   false, 1, "failed", "НЕ ВСЕ ПАРАМ",
                   "EEPROM: не выполнено; ошибка: записано 29, проверено 29, ошибок 1"},
        TUnitFault{"CommitRefused", [](TSimulator& s) { s.Unit().SetCommitFails(true); }, false, 1,
                   "failed", "EEPROM",
                   "EEPROM: не подтверждено; ошибка: записано 30, проверено 30"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// A unit's process tells its phases as they come, each once, in order: the
// run of a list takes the last one for what a unit that ends untold holds.
TEST(Batch, AUnitsProcessTellsEachPhaseOnceInOrder) {
    TTempDir dir;
    TSimulator unit;
    dir.Write("set.ini", FleetSet());
    const TRun run = Batch({"write", "--child", "--port", unit.SlavePath(), "--in",
                            dir.File("set.ini"), "--home", dir.Path()});
    EXPECT_EQ(run.Exit, 0) << run.Out << run.Err;
    std::vector<std::string> phases;
    std::size_t at = 0;
    while ((at = run.Out.find(ProgressTag, at)) != std::string::npos) {
        at += std::string(ProgressTag).size();
        const std::string phase = run.Out.substr(at, run.Out.find(' ', at) - at);
        if (phases.empty() || phases.back() != phase)
            phases.push_back(phase);
    }
    EXPECT_EQ(phases, (std::vector<std::string>{"connect", "write", "verify", "commit"}))
        << run.Out;
}

TEST(Batch, ListOfThreeWithOneUnitKeepingItsValue) {
    // The units' processes are handed names any system spells.
    TTempDir dir("орб партия-");
    TSimulator a, b, c;
    b.Unit().AddFault({.Kind = TSimFaultKind::Keep, .Command = "+O", .Count = -1});
    dir.Write("set.ini", Utf8SetWithLogin("пароль"));
    // As a spreadsheet saves it: semicolons, a quoted field, CR LF.
    // The column is named by the caption the window shows.
    dir.Write("units.csv", "\xEF\xBB\xBFport;Номер объекта\r\n\"" + a.SlavePath() + "\";0101\r\n" +
                               b.SlavePath() + ";0102\r\n" + c.SlavePath() + ";0103\r\n");

    const mode_t mask = umask(022);
    const TRun run =
        Batch({"write", "--in", dir.File("set.ini"), "--units", dir.File("units.csv"), "--report",
               dir.File("report.json"), "--log-dir", dir.File("logs"), "--home", dir.Path()});
    umask(mask);
    EXPECT_EQ(run.Exit, 1) << run.Out << run.Err;
    EXPECT_EQ(a.Unit().Value("etObjNum"), "0101");
    EXPECT_EQ(c.Unit().Value("etObjNum"), "0103");
    // The UTF-8 set's text reaches the units as the same text.
    EXPECT_EQ(a.Unit().Value("etLoginGPRS"), Utf8ToCp1251("пароль").Bytes);
    EXPECT_EQ(c.Unit().Value("etLoginGPRS"), Utf8ToCp1251("пароль").Bytes);
    EXPECT_NE(b.Unit().Value("etObjNum"), "0102");
    EXPECT_FALSE(Committed(b));
    EXPECT_TRUE(Committed(a) && Committed(c));

    const QJsonArray units = Report(dir, "report.json").value("units").toArray();
    ASSERT_EQ(units.size(), 3);
    EXPECT_EQ(units.at(0).toObject().value("outcome").toString(), "verified");
    EXPECT_EQ(units.at(2).toObject().value("outcome").toString(), "verified");
    const QJsonObject failed = units.at(1).toObject();
    EXPECT_EQ(failed.value("outcome").toString(), "failed");
    EXPECT_TRUE(HasName(failed, "failed", "etObjNum"));
    EXPECT_FALSE(HasName(failed, "verified", "etObjNum"));
    EXPECT_TRUE(HasName(failed, "verified", "etPort"));
    EXPECT_NE(run.Out.find("Проверено блоков: 2 из 3"), std::string::npos) << run.Out;
    // Under a heading of its own, each unit's number as it holds it; what
    // failed by the window's words.
    EXPECT_TRUE(QString::fromStdString(run.Out).contains(QRegularExpression(
        "\\n" + QRegularExpression::escape(QString::fromStdString(b.SlavePath())) + " +0123 ")))
        << run.Out;
    EXPECT_NE(run.Out.find("ошибки: Общие установки › Номер объекта"), std::string::npos)
        << run.Out;
    // The report and the logs hold passwords: nobody else may read them.
    for (const auto& [file, mode] :
         {std::pair{dir.File("report.json"), 0600u}, std::pair{dir.File("logs"), 0700u}})
        if (const auto bits = PermissionBits(file)) {
            EXPECT_EQ(*bits, mode) << file;
        }
    for (const QJsonValue& u : units) {
        EXPECT_FALSE(FileText(u.toObject().value("log")).empty());
        if (const auto bits = PermissionBits(u.toObject().value("log").toString().toStdString())) {
            EXPECT_EQ(*bits, 0600u);
        }
    }

    // Each unit is in the journal, by the number it holds: the one that
    // kept its own under it, with the number it was sent and was not given.
    const TRun all = Batch({"journal", "--home", dir.Path()});
    EXPECT_NE(all.Out.find("записей: 3"), std::string::npos) << all.Out << all.Err;
    EXPECT_EQ(std::count(all.Out.begin(), all.Out.end(), '\n'), 4) << "a line a record";
    const TRun first = Batch({"journal", "--home", dir.Path(), "--unit", "101", "--params"});
    EXPECT_NE(first.Out.find("orbelin-batch  запись всех  порт " + a.SlavePath() + "  блок 0101"),
              std::string::npos)
        << first.Out;
    EXPECT_NE(first.Out.find("EEPROM: сохранено; проверено: записано 30, проверено 30, ошибок 0"),
              std::string::npos)
        << first.Out;
    EXPECT_TRUE(QString::fromStdString(first.Out).contains(
        QRegularExpression("\n    GPRS › Пароль пользователя GPRS +\\*\\*\\*  "
                           "проверен\n")))
        << first.Out;
    const TRun kept = Batch({"journal", "--home", dir.Path(), "--unit", "0123", "--params"});
    EXPECT_NE(kept.Out.find("порт " + b.SlavePath() + "  блок 0123"), std::string::npos)
        << kept.Out;
    EXPECT_NE(kept.Out.find("EEPROM: не выполнено; ошибка"), std::string::npos) << kept.Out;
    EXPECT_TRUE(QString::fromStdString(kept.Out).contains(
        QRegularExpression("\n    Общие установки › Номер объекта +0102  отличается \\(устройство "
                           "хранит «0123»\\)\n")))
        << kept.Out;
    EXPECT_NE(kept.Out.find("записей: 1"), std::string::npos) << kept.Out;
    EXPECT_NE(
        Batch({"journal", "--home", dir.Path(), "--since", "01.01.2999"}).Out.find("записей: 0"),
        std::string::npos);
    const TRun csv = Batch({"journal", "--home", dir.Path(), "--since", "2000-01-01", "--csv",
                            dir.File("journal.csv")});
    EXPECT_NE(csv.Out.find("записей: 3, выгружены"), std::string::npos) << csv.Out << csv.Err;
    const std::string table = dir.Read("journal.csv");
    EXPECT_EQ(table.rfind("\xEF\xBB\xBF", 0), 0u);
    // A number with a leading zero stays text in a spreadsheet.
    EXPECT_NE(table.find(";\"=\"\"0101\"\"\";"), std::string::npos) << table;
    for (const std::string& text :
         {run.Out, run.Err, all.Out, first.Out, kept.Out, table.substr(0, table.find('\n'))})
        EXPECT_EQ(ControlNameIn(text), std::nullopt) << text;

    // A unit's text that would drive the terminal (clear the screen, set
    // the window's title) is shown, not obeyed.
    TJournalRecord odd;
    odd.Stamp(std::chrono::system_clock::now());
    odd.Program = "batch";
    odd.Request = "write all";
    odd.Port = a.SlavePath();
    odd.ObjNum = "0999";
    odd.Firmware = "REV\x1b[2J\x1b]0;title\x07";
    odd.Outcome = TUnitResult::Verified;
    AppendJournal(dir.File(JournalFileName), odd);
    const TRun shown = Batch({"journal", "--home", dir.Path(), "--unit", "999"});
    EXPECT_NE(shown.Out.find("REV\\x1B[2J\\x1B]0;title\\x07"), std::string::npos) << shown.Out;
    EXPECT_EQ(shown.Out.find('\x1b'), std::string::npos);
}

// A password is shown in its own field, the debug memo and the unit's log
// (0600), and nowhere else: not in any output that outlives the screen, for
// a unit that kept its old password (the note says what it holds) and in a
// diff of it.
TEST(Batch, APasswordShowsInNoOutputThatOutlivesTheScreen) {
    TTempDir dir;
    TSimulator unit;
    unit.Unit().SetValue("etPswdGPRS", "gprspass");
    unit.Unit().AddFault({.Kind = TSimFaultKind::Keep, .Command = "+bnew", .Count = -1});
    dir.Write("set.ini", SetWith(FleetSet(), "etPswdGPRS", "filesecret"));
    // Where the help sends a password: a column of the list.
    dir.Write("units.csv", "port,etPswdGPRS\n" + unit.SlavePath() + ",newsecret\n");
    const TRun write =
        Batch({"write", "--in", dir.File("set.ini"), "--units", dir.File("units.csv"), "--report",
               dir.File("write.json"), "--log-dir", dir.File("logs"), "--home", dir.Path()});
    EXPECT_EQ(write.Exit, 1) << write.Out << write.Err;
    const TRun diff = Batch({"diff", "--port", unit.SlavePath(), "--in", dir.File("set.ini"),
                             "--report", dir.File("diff.json"), "--home", dir.Path()});
    EXPECT_EQ(diff.Exit, 1) << diff.Out << diff.Err;
    // Beside the record, one as an older version wrote it, the passwords in
    // the clear: shown, it is masked as well.
    const std::string written = dir.Read("journal.jsonl");
    std::string older = written;
    for (const auto& [masked, clear] :
         {std::pair{"\"***\",\"differs\"", "\"newsecret\",\"differs\""}, {"«***»", "«gprspass»"}}) {
        const std::size_t at = older.find(masked);
        ASSERT_NE(at, std::string::npos) << older;
        older.replace(at, std::string_view(masked).size(), clear);
    }
    dir.Write("journal.jsonl", written + older);
    const TRun journal = Batch({"journal", "--params", "--home", dir.Path()});
    const TRun csv = Batch({"journal", "--home", dir.Path(), "--csv", dir.File("journal.csv")});
    EXPECT_EQ(csv.Exit, 0) << csv.Err;
    // The journal window's table of the record's parameters.
    std::string dialog;
    {
        TdlgJournal dlg(nullptr, dir.File("journal.jsonl"), {}, "");
        ASSERT_EQ(dlg.ShownCount(), 2);
        for (int shown = 0; shown < dlg.ShownCount(); ++shown) {
            const TJournalRecord& record = dlg.Shown(shown);
            TdlgJournalParams view(&dlg, record, dlg.Journal().Params(record), {});
            for (int r = 0; r < view.tblParams->rowCount(); ++r)
                for (int c = 0; c < view.tblParams->columnCount(); ++c)
                    if (const QTableWidgetItem* item = view.tblParams->item(r, c))
                        dialog += item->text().toStdString() + "\t";
        }
    }

    const std::pair<const char*, std::string> outputs[] = {
        {"the run's summary", write.Out + write.Err},
        {"the run's report", dir.Read("write.json")},
        {"the journal", written},
        {"the journal as printed", journal.Out},
        {"the journal's CSV", dir.Read("journal.csv")},
        {"the journal window", dialog},
        {"diff's output", diff.Out + diff.Err},
        {"diff's report", dir.Read("diff.json")},
    };
    for (const auto& [output, text] : outputs) {
        EXPECT_FALSE(text.empty()) << output;
        for (const char* secret : {"gprspass", "newsecret", "filesecret"})
            EXPECT_EQ(text.find(secret), std::string::npos) << output << ": " << text;
    }
    const std::size_t password = journal.Out.find("GPRS › Пароль пользователя GPRS ");
    ASSERT_NE(password, std::string::npos) << journal.Out;
    EXPECT_NE(journal.Out.find("  ***  отличается (устройство хранит «***»)", password),
              std::string::npos)
        << journal.Out;
    EXPECT_NE(diff.Out.find("блок: ***\tфайл: ***"), std::string::npos) << diff.Out;
    // The unit's log keeps the whole conversation, as log.txt does.
    const QJsonObject u = Report(dir, "write.json").value("units").toArray().at(0).toObject();
    EXPECT_NE(FileText(u.value("log")).find("newsecret"), std::string::npos);
}

// Input that cannot be written as it stands: refused with exit code 2, and
// neither unit of the list has had its port opened.
struct TBadInput {
    const char* Name;
    std::string Csv; // {A}, {B}: the units' ports
    std::vector<std::string> Extra;
    const char* Said;
};

class BatchRefuses : public testing::TestWithParam<TBadInput> {};

TEST_P(BatchRefuses, BeforeAnyUnitIsTouched) {
    TTempDir dir;
    dir.Write("set.ini", FleetSet());
    TSimulator a, b;
    std::string csv = GetParam().Csv;
    for (const auto& [key, port] : {std::pair{"{A}", a.SlavePath()}, {"{B}", b.SlavePath()}})
        for (std::size_t at; (at = csv.find(key)) != std::string::npos;)
            csv.replace(at, 3, port);
    dir.Write("units.csv", csv);
    std::vector<std::string> args{"write", "--in", dir.File("set.ini"), "--units",
                                  dir.File("units.csv")};
    args.insert(args.end(), GetParam().Extra.begin(), GetParam().Extra.end());

    const TRun run = Batch(args);
    EXPECT_EQ(run.Exit, 2) << run.Out << run.Err;
    // Said once, however many units the list has.
    const std::size_t at = run.Err.find(GetParam().Said);
    EXPECT_NE(at, std::string::npos) << run.Err;
    EXPECT_EQ(run.Err.find(GetParam().Said, at + 1), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("ни одному блоку ничего не отправлено"), std::string::npos);
    EXPECT_EQ(a.Unit().CommandCount() + b.Unit().CommandCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Input, BatchRefuses,
    testing::Values(
        TBadInput{"DuplicatePort", "port,etObjNum\n{A},0001\n{A},0002\n", {}, "строка 3: порт"},
        TBadInput{"MissingPort", "port,etObjNum\n{A},0001\n,0002\n", {}, "строка 3: не задан порт"},
        TBadInput{"NoPortColumn", "etObjNum\n0001\n", {}, "нет столбца \"port\""},
        TBadInput{"UnknownColumn",
                  "port,etObjNm,etGPRSTryes\n{A},1,2\n{B},2,3\n",
                  {},
                  "units.csv строка 1: etObjNm: нет такого параметра; может быть, etObjNum?"},
        TBadInput{"PartOfACaption",
                  "\xEF\xBB\xBFport,Время перезагрузки GPS\n{A},7\n",
                  {},
                  "Время перезагрузки GPS: нет такого параметра; может быть, «Время перезагрузки "
                  "GPS-приёмника, если не определяются координаты»?"},
        TBadInput{"TwoNamesOfOne",
                  "\xEF\xBB\xBFport,etObjNum,НОМЕР ОБЪЕКТА\n{A},1,2\n",
                  {},
                  "\"etObjNum\" и \"НОМЕР ОБЪЕКТА\" называют одно поле: etObjNum"},
        TBadInput{
            "TooLong",
            "port,etPhone\n{A},+7916\n{B},+79161234567890123\n",
            {},
            "строка 3: etPhone: Общие установки › Телефон приёма тревожных сообщений: длиннее "
            "поля: 18 символов, поле вмещает 16"},
        // Turned into a blank on its way, it would reach the unit as nobody wrote it.
        TBadInput{"LineBreak",
                  "port,etAccessPoint\n{A},\"apn\nfleet\"\n",
                  {},
                  "строка 2: etAccessPoint: управляющий символ U+000A"},
        TBadInput{"Tab", "port,etAccessPoint\n{A},apn\tfleet\n", {}, "U+0009"},
        // What a spreadsheet makes of a phone number, and a number the
        // command cannot carry: each said for what it is.
        // A header in captions names the column in captions.
        TBadInput{"CaptionHeader",
                  "port;Телефон приёма тревожных сообщений\n{A};+79161234567890123\n",
                  {},
                  "строка 2: Телефон приёма тревожных сообщений: Общие установки › Телефон"},
        TBadInput{"SpreadsheetPhone",
                  "port;etPhone\n{A};\"7,90011E+10\"\n",
                  {},
                  "etPhone: Общие установки › Телефон приёма тревожных сообщений: не номер "
                  "телефона, а число из электронной таблицы"},
        TBadInput{"FiveDigitObject",
                  "port\n{A}\n",
                  {"--set", "etObjNum=12345"},
                  "--set: etObjNum: Общие установки › Номер объекта: больше 4 цифр"},
        TBadInput{"SetLineBreak",
                  "port\n{A}\n",
                  {"--set", "etAccessPoint=a\nb"},
                  "--set: etAccessPoint: управляющий"},
        // The process list shows a command line to everyone, all run long.
        TBadInput{"SetPassword",
                  "port\n{A}\n",
                  {"--set", "etPswdGPRS=newsecret"},
                  "--set: etPswdGPRS: пароль в командной строке виден всем"},
        TBadInput{"MarkOnWindows1251",
                  "\xEF\xBB\xBFport,etAccessPoint\n{A},\xF2\xEE\xF7\xEA\xE0\n",
                  {},
                  "помечен как UTF-8, но это не UTF-8"},
        TBadInput{"NotAnAddress", "port,etIp\n{A},10.0.0.256\n", {}, "etIp"},
        TBadInput{"OutOfRange",
                  "port,seACCCheckTime\n{A},99999\n",
                  {},
                  "проверки аккумулятора: не число от 1 до 23: «99999»"},
        TBadInput{"OpenQuote", "port,etObjNum\n\"{A},0001\n", {}, "не закрыта"},
        TBadInput{"UnknownSet",
                  "port\n{A}\n",
                  {"--set", "bogus=1"},
                  "--set: bogus: нет такого параметра (все столбцы: orbelin-batch columns)"},
        // A limit past a day would wrap the run's millisecond timers.
        TBadInput{"LimitPastADay",
                  "port\n{A}\n",
                  {"--limit", "4294967"},
                  "--limit: не больше 86400 секунд (сутки)"},
        TBadInput{"PortBesideList", "port\n{A}\n", {"--port", "{B}"}, "исключают друг друга"},
        TBadInput{
            "MissingSetFile", "port\n{A}\n", {"--in", "/nonexistent/set.ini"}, "нет такого файла"},
        // Units written and not journalled would leave no account of them.
        TBadInput{"JournalUnwritable",
                  "port\n{A}\n",
                  {"--home", "/nonexistent"},
                  "нельзя записать журнал /nonexistent"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// A port's log is named after the port, never after a Windows device: such
// a file name would open the port itself.
TEST(BatchLogName, SeparatorsGoAndDeviceNamesAreNotFileNames) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"/dev/ttyUSB0", "dev_ttyUSB0.log"},
        {"COM12", "COM12.log"},
        {"COM7", "COM7-unit.log"},
        {"com3", "com3-unit.log"},
        {"\\\\.\\COM7", "._COM7.log"},
        {"LPT1", "LPT1-unit.log"},
        {"nul", "nul-unit.log"},
        {"CONSOLE", "CONSOLE.log"},
        {"", "unit.log"}};
    for (const auto& [port, name] : cases)
        EXPECT_EQ(LogName(port), name) << port;
}

// The columns a list may have are the keys a set file keeps for the pages,
// in its order, each with a caption of its own, its form and its default.
TEST(Batch, ColumnsAreTheSetsKeysWithWhatTheWindowCallsThem) {
    const TRun run = Batch({"columns"});
    ASSERT_EQ(run.Exit, 0) << run.Err;
    std::vector<std::string> keys;
    std::string section;
    for (const QString& line : QString::fromStdString(Cp1251ToUtf8(FleetSet())).split("\r\n")) {
        if (line.startsWith('['))
            section = line.mid(1, line.size() - 2).toStdString();
        else if (section.starts_with("form") && line.contains('=') && !line.startsWith("Mode="))
            keys.push_back(line.section('=', 0, 0).toStdString());
    }
    const QStringList lines = QString::fromStdString(run.Out).split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 6);
    // A column's name and caption on a line, its form and default on the
    // indented lines beneath; a terminal's width at most.
    std::vector<std::string> names;
    std::map<std::string, std::vector<std::string>> row;
    QSet<QString> captions;
    QString key, said, shape;
    const auto take = [&] {
        if (key.isEmpty() || key == "Имя" || key == "port" || key == "phone")
            return;
        EXPECT_FALSE(captions.contains(said)) << said.toStdString();
        captions.insert(said);
        const qsizetype split = shape.lastIndexOf("; по умолчанию: ");
        names.push_back(key.toStdString());
        row[key.toStdString()] = {said.section(" › ", 1).toStdString(),
                                  shape.left(split).toStdString(),
                                  shape.mid(split + 16).toStdString()};
    };
    for (const QString& line : lines) {
        EXPECT_LE(line.size(), 100) << line.toStdString();
        if (line.startsWith(' ')) {
            shape += (shape.isEmpty() ? "" : " ") + line.trimmed();
            continue;
        }
        take();
        key = line.section(' ', 0, 0);
        said = line.mid(key.size()).trimmed();
        shape.clear();
    }
    take();
    // A unit of the full generation has no event codes (Edit1 .. Edit10):
    // its set leaves them out.
    std::vector<std::string> codes, others;
    for (const std::string& name : names)
        (name.starts_with("Edit") ? codes : others).push_back(name);
    EXPECT_EQ(others, keys);
    EXPECT_EQ(codes.size(), 10u);
    EXPECT_TRUE(lines[2].startsWith("port ") && lines[4].startsWith("phone "));
    using TRow = std::vector<std::string>;
    EXPECT_EQ(row["etObjNum"],
              (TRow{"Номер объекта", "десятичное число до 4 цифр, дополняется нулями", "0050"}));
    EXPECT_EQ(row["etGPRSTryes"],
              (TRow{"Число попыток соединения по GPRS?",
                    "число 0…255 (в блок — 2 шестн. цифры), в окне 0…10", "10"}));
    EXPECT_EQ(row["CheckBox3"],
              (TRow{"Вход 1: восстановление", "флажок: 1 или 0; * — как в блоке", "0"}));
    // The codes are generation 1's, whose fifth row is a fifth input.
    EXPECT_EQ(row["Edit10"][0], "Вход 5: код срабатывания");
    EXPECT_EQ(
        lines.filter(QRegularExpression("^etObjNum +Общие установки › Номер объекта$")).size(), 1);
}

TEST(UnitsCsv, ReadsWhatEditorsAndSpreadsheetsSave) {
    std::string error;
    // Quoted separators and doubled quotes.
    auto units = ReadUnitsCsv("port,etPswd,etAccessPoint\n"
                              "/dev/a,\"a,\"\"b\"\"\",\"two words\"\n"
                              "\n"
                              "/dev/b,,x\n",
                              error);
    ASSERT_TRUE(units) << error;
    ASSERT_EQ(units->size(), 2u);
    EXPECT_EQ((*units)[0].Values[0].second, "a,\"b\"");
    EXPECT_EQ((*units)[0].Values[1].second, "two words");
    EXPECT_EQ((*units)[1].Line, 4);
    ASSERT_EQ((*units)[1].Values.size(), 1u); // an empty cell keeps the set's value
    // Windows-1251 and UTF-8 with a byte-order mark give the same text.
    const auto cp1251 =
        ReadUnitsCsv("port;etAccessPoint\n/dev/a;\xEF\xF0\xE8\xEC\xE5\xF0\n", error);
    const auto utf8 = ReadUnitsCsv("\xEF\xBB\xBFport;etAccessPoint\n/dev/a;пример\n", error);
    ASSERT_TRUE(cp1251 && utf8) << error;
    EXPECT_FALSE(ReadUnitsCsv("\xEF\xBB\xBFport;etAccessPoint\n/dev/a;\xEF\xF0\xE8\n", error));
    EXPECT_EQ(error, "помечен как UTF-8, но это не UTF-8");
    EXPECT_EQ((*cp1251)[0].Values[0].second, "пример");
    EXPECT_EQ((*utf8)[0].Values[0].second, "пример");
    EXPECT_EQ((*utf8)[0].Port, "/dev/a");
}

// A unit holding values no field of the window shows: read keeps them (the
// set stores the unit's own), a write of that set gives the unit back exactly
// what it held, and diff finds no difference.
TEST(Batch, AUnitsOwnValuesComeBackExactly) {
    TTempDir dir;
    TSimulator unit;
    const std::pair<const char*, const char*> held[] = {{"+A", "0F"}, {"+a", "01"},
                                                        {"+q", "00"}, {"+R", "07"},
                                                        {"+c", "01"}, {"+f01", "89161112233"}};
    for (const auto& [key, value] : held)
        unit.Unit().SetValue(key, value);

    const TRun read = Batch({"read", "--port", unit.SlavePath(), "--out", dir.File("own.ini"),
                             "--report", dir.File("read.json")});
    ASSERT_EQ(read.Exit, 0) << read.Out << read.Err;
    const QJsonObject readUnit = Report(dir, "read.json").value("units").toArray().at(0).toObject();
    EXPECT_EQ(readUnit.value("kept").toObject().value("count").toInt(), 5)
        << "tries, pause, hour, switch and number; the flag bit is shown and kept";
    EXPECT_NE(read.Out.find("оставлены, как хранит блок"), std::string::npos) << read.Out;

    unit.Unit().ClearCommands();
    const TRun write = Batch({"write", "--port", unit.SlavePath(), "--in", dir.File("own.ini")});
    ASSERT_EQ(write.Exit, 0) << write.Out << write.Err;
    for (const auto& [key, value] : held)
        EXPECT_EQ(unit.Unit().Value(key), value) << key;
    for (const std::string& sent : unit.Unit().Commands())
        EXPECT_TRUE(sent.rfind("+c", 0) != 0 && sent.rfind("+q", 0) != 0)
            << "left to the unit, not written: " << sent;
    EXPECT_TRUE(Committed(unit));

    EXPECT_EQ(Batch({"diff", "--port", unit.SlavePath(), "--in", dir.File("own.ini")}).Exit, 0);
}

// A unit's process as the run of a list meets it, played without a process:
// what it prints, how it ends, and whether it heeds a stop.
class TPlayedUnit : public QObject, public TUnitChild {
public:
    enum class TPlay {
        Verifies,
        Crashes,
        CrashesAfterCommit,
        TellsGarbage,
        TellsAnOutcomeUnknown,
        EndsSilently,
        Hangs,
        HeedsStop
    };
    TPlayedUnit(TPlay Play, TUnitProcess::TLine OnLine, TUnitProcess::TEnd OnEnd)
        : FPlay(Play), FOnLine(std::move(OnLine)), FOnEnd(std::move(OnEnd)) {
        QTimer::singleShot(0, this, [this] { Begin(); });
    }
    void Stop() override {
        if (FPlay == TPlay::HeedsStop)
            Tell(TUnitResult::Interrupted, "записано, в EEPROM не сохранено");
    }
    void Kill() override { End(9, true); }

private:
    void Begin() {
        switch (FPlay) {
        case TPlay::Verifies:
            return Tell(TUnitResult::Verified, "");
        case TPlay::Crashes:
            FOnLine(std::string(ProgressTag) + "write 3 30");
            return End(11, true, "Segmentation fault\nmore");
        case TPlay::CrashesAfterCommit:
            FOnLine(std::string(ProgressTag) + "write 29 30");
            FOnLine(std::string(ProgressTag) + "verify 30 30");
            FOnLine(std::string(ProgressTag) + "commit 0 0");
            return End(6, true);
        case TPlay::TellsGarbage:
            FOnLine(std::string(OutcomeTag) + "{\"outcome\": ");
            return End(0, false);
        case TPlay::TellsAnOutcomeUnknown:
            FOnLine(std::string(OutcomeTag) + "{\"outcome\":\"fine\",\"exit\":0}");
            return End(0, false);
        case TPlay::EndsSilently:
            return End(0, false);
        case TPlay::Hangs:
        case TPlay::HeedsStop:
            FOnLine(std::string(ProgressTag) + "verify 1 30");
            return;
        }
    }
    void Tell(TUnitResult Result, const char* Message) {
        TUnitOutcome Outcome;
        Outcome.Outcome = Result;
        Outcome.Message = Message;
        FOnLine(OutcomeTag +
                QJsonDocument(OutcomeToJson(Outcome)).toJson(QJsonDocument::Compact).toStdString());
        End(Outcome.Exit(), false);
    }
    void End(int Code, bool Crashed, const std::string& Errors = {}) {
        if (!std::exchange(FEnded, true))
            QTimer::singleShot(0, this, [=, this] { FOnEnd(Code, Crashed, Errors); });
    }
    TPlay FPlay;
    TUnitProcess::TLine FOnLine;
    TUnitProcess::TEnd FOnEnd;
    bool FEnded = false;
};

using TPlay = TPlayedUnit::TPlay;

// Runs units played as Plays (nullopt: cannot be started), stopping the run
// once it has started when Stop; the units' records in order of ending.
std::vector<TUnitRecord> Supervise(const std::vector<std::optional<TPlay>>& Plays, bool Stop,
                                   std::vector<std::size_t>* EndOrder = nullptr) {
    std::vector<TSupervisedUnit> units;
    for (std::size_t i = 0; i < Plays.size(); ++i) {
        TSupervisedUnit& u = units.emplace_back();
        u.Record.Port = "/dev/unit" + std::to_string(i);
        u.Args = {std::to_string(i)};
    }
    TSupervision how;
    how.Jobs = 2;
    how.Limit = std::chrono::milliseconds(100);
    how.StopGrace = std::chrono::milliseconds(100);
    if (Stop)
        how.Limit = std::chrono::minutes(1);
    how.Ended = [EndOrder](std::size_t Unit) {
        if (EndOrder)
            EndOrder->push_back(Unit);
    };
    TUnitSupervisor run(units, how,
                        [&](const std::vector<std::string>& Args, TUnitProcess::TLine OnLine,
                            TUnitProcess::TEnd OnEnd,
                            std::string& Error) -> std::unique_ptr<TUnitChild> {
                            const auto& play = Plays[std::stoul(Args.at(0))];
                            if (!play) {
                                Error = "Resource temporarily unavailable";
                                return nullptr;
                            }
                            return std::make_unique<TPlayedUnit>(*play, OnLine, OnEnd);
                        });
    if (Stop)
        QTimer::singleShot(10, [&] { run.Stop(); });
    run.Run();
    std::vector<TUnitRecord> records;
    for (const TSupervisedUnit& u : units)
        records.push_back(u.Record);
    return records;
}

struct TUnitProcessFault {
    const char* Name;
    std::optional<TPlay> Play;
    const char* Said;
    bool Reached; // its progress told of parameters written: the journal keeps it
};

class BatchUnitProcess : public testing::TestWithParam<TUnitProcessFault> {};

// The unit is failed with the reason and what it holds; the run goes on.
TEST_P(BatchUnitProcess, FailsOneUnitAndTheRunGoesOn) {
    std::vector<std::size_t> ended;
    const auto records =
        Supervise({GetParam().Play, TPlay::Verifies, TPlay::Verifies}, false, &ended);
    EXPECT_EQ(records[0].Outcome.Outcome, TUnitResult::Failed);
    EXPECT_EQ(records[0].Outcome.Exit(), exSomeFailed);
    EXPECT_EQ(records[0].Outcome.Port, "/dev/unit0");
    EXPECT_NE(records[0].Outcome.Message.find(GetParam().Said), std::string::npos)
        << records[0].Outcome.Message;
    EXPECT_EQ(records[1].Outcome.Outcome, TUnitResult::Verified);
    EXPECT_EQ(records[2].Outcome.Outcome, TUnitResult::Verified);
    EXPECT_EQ(ended.size(), 3u);
    EXPECT_EQ(CombinedExit(records), exSomeFailed);

    const TTempDir home;
    SetProgramFolderOverride(home.Path());
    EXPECT_EQ(JournalUnit(records[0], {}), std::nullopt);
    SetProgramFolderOverride({});
    std::vector<std::string> journalled;
    ScanJournal(home.File(JournalFileName), [&](TJournalRecord& r, std::string_view) {
        journalled.push_back(r.Message);
        EXPECT_EQ(r.Port, "/dev/unit0");
    });
    EXPECT_EQ(journalled, GetParam().Reached ? std::vector{records[0].Outcome.Message}
                                             : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Faults, BatchUnitProcess,
    testing::Values(
        TUnitProcessFault{"CannotStart", std::nullopt,
                          "не запустился: Resource temporarily unavailable; ничего не "
                          "записано",
                          false},
        TUnitProcessFault{"Crashes", TPlay::Crashes,
                          "итог неизвестен: процесс завершён (аварийно (11): Segmentation "
                          "fault); записано параметров: 3, в EEPROM не сохранено",
                          true},
        TUnitProcessFault{"CrashesAfterCommit", TPlay::CrashesAfterCommit,
                          "(аварийно (6)); записано параметров: 30, команда сохранения в EEPROM "
                          "отправлена, сохранено ли — неизвестно",
                          true},
        TUnitProcessFault{"TellsGarbage", TPlay::TellsGarbage,
                          "(сообщил итог, который нельзя прочитать); ничего не записано", false},
        TUnitProcessFault{"TellsAnOutcomeUnknown", TPlay::TellsAnOutcomeUnknown,
                          "(сообщил итог, который нельзя прочитать); ничего не записано", false},
        TUnitProcessFault{"EndsSilently", TPlay::EndsSilently,
                          "(с кодом 0, не сообщив итога); ничего не записано", false},
        TUnitProcessFault{"HangsPastItsLimit", TPlay::Hangs,
                          "(не завершился за отведённое время и остановлен); записано "
                          "параметров: 30, сохранено ли в EEPROM — неизвестно",
                          true}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// A stopped run: the unit that heeds the stop tells its state, the one that
// does not is killed after the grace, the one not started is untouched; all
// three are "interrupted".
TEST(Batch, AStoppedRunTellsWhatEachUnitHolds) {
    const auto records = Supervise({TPlay::HeedsStop, TPlay::Hangs, TPlay::Verifies}, true);
    for (const TUnitRecord& r : records) {
        EXPECT_EQ(r.Outcome.Outcome, TUnitResult::Interrupted) << r.Port;
        EXPECT_EQ(r.Outcome.Exit(), exInterrupted) << r.Port;
    }
    EXPECT_EQ(records[0].Outcome.Message, "записано, в EEPROM не сохранено");
    EXPECT_NE(records[1].Outcome.Message.find(
                  "после прерывания и остановлен); записано параметров: 30, сохранено ли"),
              std::string::npos)
        << records[1].Outcome.Message;
    EXPECT_EQ(records[2].Outcome.Message, "не начато: ничего не записано");
    EXPECT_EQ(CombinedExit(records), exInterrupted);
}

#ifndef _WIN32
// How a list's run is stopped: the signal to the run alone (a service
// manager's SIGTERM, a kill), or Ctrl+C to the terminal's whole foreground
// group with the output on a pipe whose reader dies with the same Ctrl+C;
// while the units' processes start up (their first word), while they are
// written, or while what they were written is read back.
struct TStopCase {
    const char* Name;
    bool WholeGroup;
    const char* When; // every unit's progress line ends so; empty: the first line
};

class BatchStopped : public testing::TestWithParam<TStopCase> {};

// The report tells each unit's state, every unit that anything reached has
// its journal record, no unit commits what it was half sent, the sets with
// their passwords are gone, and the exit code says the run was interrupted.
TEST_P(BatchStopped, LeavesAReportRecordsAndNoSets) {
    TTempDir dir, tmp;
    TSimulator units[3];
    dir.Write("set.ini", FleetSet());
    std::string csv = "port\n";
    for (TSimulator& u : units) {
        // Slow enough that the stop comes in the middle of the write.
        u.Unit().AddFault(
            {.Kind = TSimFaultKind::Late, .Command = "", .Count = -1, .DelayMs = 150});
        csv += u.SlavePath() + "\n";
    }
    dir.Write("units.csv", csv);
    dir.Write("report.json", "{\"old\": true}");
    qputenv("TMPDIR", QByteArray::fromStdString(tmp.Path()));
    TChildProcess run(ORB_BATCH,
                      {"write", "--in", dir.File("set.ini"), "--units", dir.File("units.csv"),
                       "--report", dir.File("report.json"), "--home", dir.Path()},
                      GetParam().WholeGroup);
    qunsetenv("TMPDIR");
    // The first unit's first word comes while the others' processes start.
    const std::string when = GetParam().When;
    for (int there = 0; there < (when.empty() ? 1 : 3);) {
        const std::string line = run.StdoutLine(60000);
        ASSERT_FALSE(line.empty()) << "the units did not get there: " << run.Stderr();
        there += when.empty() || line.ends_with(when);
    }
    if (GetParam().WholeGroup) {
        run.CloseStdout();
        kill(-run.Pid(), SIGINT);
    } else {
        kill(run.Pid(), SIGINT);
    }
    EXPECT_EQ(run.ExitCode(60000), exInterrupted) << run.Stderr();

    const QJsonObject report = Report(dir, "report.json");
    EXPECT_EQ(report.value("exit").toInt(), exInterrupted);
    const QJsonArray written = report.value("units").toArray();
    ASSERT_EQ(written.size(), 3);
    QSet<QString> reached;
    for (int i = 0; i < 3; ++i) {
        const QJsonObject u = written.at(i).toObject();
        const QString message = u.value("message").toString();
        EXPECT_EQ(u.value("outcome").toString(), "interrupted");
        EXPECT_TRUE(message.startsWith("записано, в EEPROM не сохранено") ||
                    message.contains("ничего не записано"))
            << message.toStdString();
        // A command the unit heard, whatever it answered, reached it.
        for (const QJsonValue& p : u.value("params").toArray())
            if (QSet<QString>{"written", "verified", "differs", "refused"}.contains(
                    p.toObject().value("outcome").toString()))
                reached.insert(u.value("port").toString());
        EXPECT_FALSE(Committed(units[i]));
        // A read-back cut off found nothing differing.
        for (const QJsonValue& p : u.value("params").toArray())
            EXPECT_NE(p.toObject().value("outcome").toString().toStdString(), "differs")
                << p.toObject().value("name").toString().toStdString();
    }
    QSet<QString> journalled;
    ScanJournal(dir.File(JournalFileName), [&](TJournalRecord& r, std::string_view) {
        EXPECT_EQ(r.Outcome, TUnitResult::Interrupted) << r.Port;
        journalled.insert(QString::fromStdString(r.Port));
    });
    EXPECT_EQ(journalled, reached);
    for (const auto& entry : std::filesystem::directory_iterator(tmp.Path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with("orbelin-batch")) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Stops, BatchStopped,
                         testing::Values(TStopCase{"SignalToTheRun", false, ": запись"},
                                         TStopCase{"CtrlCToAPipedRun", true, ": запись"},
                                         TStopCase{"CtrlCWhileUnitsStart", true, ""},
                                         TStopCase{"CtrlCWhileCheckingPiped", true, ": проверка"}),
                         [](const auto& Info) { return std::string(Info.param.Name); });
#endif

// A set read from a unit of each generation, written to a list of units of
// every generation: what the set has no key for, each unit keeps as it
// holds it, and the report names it; everything else is sent, verified and
// committed. Asked for complete sets, a unit the set does not cover hears
// nothing but the handshake.
TEST(Batch, ASetOfEachGenerationWritesToUnitsOfEvery) {
    const int revision[3] = {41, 18, 30};
    struct TCell {
        int Written, Kept;
    };
    // By set generation, then unit generation.
    const TCell cells[3][3] = {
        {{30, 0}, {20, 10}, {24, 0}}, {{21, 9}, {30, 0}, {21, 3}}, {{24, 6}, {20, 10}, {24, 0}}};
    TTempDir dir;
    for (int set = 0; set < 3; ++set) {
        TSimulator source;
        source.Unit().SetRevision(revision[set]);
        const std::string file = dir.File("gen" + std::to_string(set) + ".ini");
        ASSERT_EQ(Batch({"read", "--port", source.SlavePath(), "--out", file}).Exit, 0);
        TSimulator units[3];
        std::string csv = "port\n";
        for (int u = 0; u < 3; ++u) {
            units[u].Unit().SetRevision(revision[u]);
            csv += units[u].SlavePath() + "\n";
        }
        dir.Write("units.csv", csv);
        const TRun run = Batch({"write", "--in", file, "--units", dir.File("units.csv"), "--report",
                                dir.File("report.json")});
        EXPECT_EQ(run.Exit, 0) << run.Out << run.Err;
        const QJsonArray report = Report(dir, "report.json").value("units").toArray();
        ASSERT_EQ(report.size(), 3);
        for (int u = 0; u < 3; ++u) {
            const QJsonObject unit = report.at(u).toObject();
            const TCell& cell = cells[set][u];
            SCOPED_TRACE("set " + std::to_string(set) + " on unit " + std::to_string(u));
            EXPECT_EQ(unit.value("outcome").toString(), "verified");
            EXPECT_EQ(unit.value("written").toObject().value("count").toInt(), cell.Written);
            EXPECT_EQ(unit.value("verified").toObject().value("count").toInt(), cell.Written);
            EXPECT_EQ(unit.value("kept").toObject().value("count").toInt(), cell.Kept);
            EXPECT_TRUE(Committed(units[u]));
        }
        // Every set leaves something to one of the units.
        EXPECT_NE(run.Out.find("оставлены, как хранит блок"), std::string::npos) << run.Out;
    }

    TSimulator unit;
    unit.Unit().SetRevision(revision[1]);
    const TRun strict =
        Batch({"write", "--complete", "--port", unit.SlavePath(), "--in", dir.File("gen0.ini")});
    EXPECT_EQ(strict.Exit, 2) << strict.Out << strict.Err;
    EXPECT_NE((strict.Out + strict.Err)
                  .find("--complete: в наборе нет значений для блока "
                        "поколения 1: 10 (Входы, выходы › "),
              std::string::npos)
        << strict.Out << strict.Err;
    EXPECT_FALSE(Committed(unit));
    EXPECT_EQ(unit.Unit().CommandCount(), 1u) << "the handshake only";
}
