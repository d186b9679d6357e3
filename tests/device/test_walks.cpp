// Read all and write all against the simulated unit of each generation: the
// exact commands on the wire, the values on the pages and in their reference
// tables, the lamps, the page flags, the commit and the walk's progress.
#include <gtest/gtest.h>

#include <filesystem>

#include "PagesRig.h"
#include "SimulatedUnit.h"
#include "TempDir.h"
#include "device/PageTable.h"
#include "params/ParamTable.h"
#include "services/Settings.h"
#include "toolkit/Controls.h"

namespace {

using TLines = std::vector<std::string>;

TLines Join(std::initializer_list<TLines> Parts) {
    TLines all;
    for (const TLines& p : Parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

const TLines CommonReads = {"+O", "+h", "+l", "+L", "+s", "+o", "+t", "+T"};
const TLines GPRSReads = {"+c", "+g", "+G", "+B", "+b", "+I", "+j", "+N", "+A", "+a", "+D", "+d"};
const TLines CommonWrites = {"+O0123", "+h+79161234567", "+l0104", "+L0140",
                             "+s07",   "+o02",           "+t05",   "+T04"};
const TLines GPRSWrites = {"+c00",       "+g*99***1#", "+Ginternet.example",
                           "+Bgprsuser", "+bgprspass", "+I192.0.2.17",
                           "+j4001",     "+NUnit7731", "+A05",
                           "+a0A",       "+D04",       "+d0F"};

// Connects to a unit of the given revision, reads all, then writes all back.
struct TWalkCase {
    TSimulator Sim;
    TPagesRig Rig;

    explicit TWalkCase(int Revision, double ReplyScale = kRigReplyScale) {
        Sim.Unit().SetRevision(Revision);
        EXPECT_TRUE(Rig.Connect(Sim, kRigPauseScale, ReplyScale));
        Sim.Unit().ClearCommands();
        Rig.ClearTaken();
    }

    void ExpectProgress(const char* What, int Total) {
        const TLines texts = Rig.TextsFor(Rig.StatusPanel4);
        ASSERT_EQ(texts.size(), static_cast<std::size_t>(Total + 1));
        const std::string stop = " · Ctrl+D — прервать";
        EXPECT_EQ(texts.front(), std::string(What) + " 1/" + std::to_string(Total) + stop);
        EXPECT_EQ(texts[Total - 1], std::string(What) + " " + std::to_string(Total) + "/" +
                                        std::to_string(Total) + stop);
        EXPECT_EQ(texts.back(), "") << "cleared at the end";
    }

    void ReadAll(const TLines& Expected) {
        ASSERT_TRUE(Rig.Run(rqReadAll));
        EXPECT_EQ(Sim.Unit().Commands(), Expected);
        EXPECT_EQ(Rig.Messages(), TLines{"Чтение всех параметров завершено!"});
        EXPECT_EQ(Rig.Device->GetCurrentPage(), Rig.formCommon);
        EXPECT_EQ(Rig.TextsFor(Rig.formCommon).back(), "Show") << "the common page in front";
        const TLines tree = Rig.TextsFor(Rig.tv1);
        EXPECT_EQ(tree.size(), 14u) << "locked and unlocked for each of seven pages";
        EXPECT_EQ(tree.back(), "true");
        const int start = Rig.FindMemo("Читаем всё");
        const int end = Rig.FindMemo("Окончили читать всё");
        EXPECT_TRUE(start > 0 && end > start);
        ExpectProgress("Чтение", static_cast<int>(Expected.size()));
    }

    void WriteAll(const TLines& Expected) {
        Sim.Unit().ClearCommands();
        Rig.ClearTaken();
        Rig.WriteState = -1;
        ASSERT_TRUE(Rig.Run(rqWriteAll));
        TLines withCommit = Expected;
        withCommit.push_back("+J");
        EXPECT_EQ(Sim.Unit().Commands(), withCommit);
        EXPECT_EQ(Rig.WriteState.load(), 1) << "committed";
        // Said once it is committed, with what went out (one parameter a command).
        EXPECT_EQ(Rig.Messages(),
                  TLines{"Запись всех параметров завершена!\nЗаписано параметров: " +
                         std::to_string(Expected.size())});
        EXPECT_TRUE(Rig.FindMemo("Пишем всё") > 0 && Rig.FindMemo("Окончили писать всё") > 0);
        ExpectProgress("Запись", static_cast<int>(Expected.size()));
    }
};

} // namespace

// The walks find a row's controls and lamps by name: a name the page does
// not have would leave the parameter unread, unwritten or without a lamp.
TEST(DeviceWalks, EveryRowNamesWhatItsPageHas) {
    TPagesRig rig;
    for (const TParamDef& row : ParamTable()) {
        const TPageInfo* info = PageInfoByNumber(row.Page);
        ASSERT_TRUE(info) << row.Read;
        TSettingsPage* page = info->Get(rig.Pages);
        ASSERT_TRUE(page) << row.Read;
        const std::string where = page->Name() + " " + row.Read;
        for (const std::string& name : row.ControlNames())
            EXPECT_TRUE(TValueControl(page->FindComponent(name))) << where << ": " << name;
        for (const std::string& name : row.LampNames())
            EXPECT_TRUE(page->Find<TLabel>(name)) << where << ": " << name;
        if (row.Tag != 0) {
            const TComponentInfo* first = page->FindComponentInfo(row.ControlNames().front());
            ASSERT_TRUE(first) << where;
            EXPECT_EQ(first->Tag(), row.Tag) << where << ": " << first->Name();
        }
        // A write's outcome and a verify's difference are shown on a lamp.
        if (row.WriteIn != 0) {
            EXPECT_FALSE(row.LampNames().empty()) << where;
        }
    }
    for (TParamCodec codec : {TParamCodec::Status, TParamCodec::EventFlags})
        EXPECT_TRUE(ParamOfCodec(pgFlags, codec));
}

TEST(DeviceWalks, Generation0ReadsAndWritesEveryPage) {
    TWalkCase c(41);
    TPagesRig& rig = c.Rig;
    c.ReadAll(Join({CommonReads,
                    GPRSReads,
                    {"+R", "+q", "+K", "+S", "+Z", "+z", "+k"},
                    {"+S", "+M", "+f01", "+f02", "+f03", "+f04", "+f05"}}));

    // Text, zero-padded decimal and hexadecimal values as the controls show them.
    EXPECT_EQ(rig.formCommon->etObjNum->Text(), "0123");
    EXPECT_EQ(rig.formCommon->etLat->Text(), "260");
    EXPECT_EQ(rig.formCommon->FRefValues.Get("etLat"), "260");
    EXPECT_EQ(rig.formGPRS->etGPRSTimeout->Text(), "10");
    EXPECT_EQ(rig.formGPRS->etPort->Text(), "4001");
    EXPECT_TRUE(rig.formGPRS->cbGPRS->Checked());
    EXPECT_EQ(rig.formGPRS->FRefValues.Get("cbGPRS"), "true");
    EXPECT_TRUE(rig.formGPS->cbGPSDebug->Checked());
    EXPECT_FALSE(rig.formGPS->cbGPSOff->Checked());
    EXPECT_EQ(rig.formAcc->seACCCheckTime->Value(), 12);
    EXPECT_TRUE(rig.formAcc->cbAccTest->Checked());
    EXPECT_EQ(rig.formAcc->pPowerState->Caption(), "Основное");
    // Restore mask 05, mode 0; trigger mask 12.
    const bool restore[5] = {true, false, true, false, false};
    const bool trigger[5] = {false, true, false, false, true};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(rig.formInOut->CheckBoxN(2 * k + 3)->Checked(), restore[k]) << k;
        EXPECT_EQ(rig.formInOut->CheckBoxN(2 * k + 4)->Checked(), trigger[k]) << k;
    }
    EXPECT_TRUE(rig.formInOut->RadioButton1->Checked());
    EXPECT_EQ(rig.formInOut->FRefValues.Get("RadioButton2"), "false");
    EXPECT_EQ(rig.formFlags->ShapeN(8)->BrushColor(), clLime) << "input 1 idle";
    EXPECT_EQ(rig.formFlags->ShapeN(1)->BrushColor(), clWhite) << "GPS";
    EXPECT_EQ(rig.formPhones->FRefValues.Get("etPhone1"), "9161112233");
    EXPECT_FALSE(rig.formPhones->FRefValues.Find("etPhone3")) << "read as empty";
    EXPECT_FALSE(rig.formPhones->cbPhonesOff->Checked()) << "two numbers are set";
    for (TLabel* lamp : {rig.formCommon->lbetObjNum, rig.formGPRS->lbcb, rig.formGPS->lbGPSOff,
                         rig.formAcc->lbcbAccTest, rig.formInOut->lbrb3, rig.formInOut->lbcb1,
                         rig.formPhones->lbetPhone5})
        EXPECT_EQ(lamp->FontColor(), clBlue) << lamp->Name();
    for (TParamPage* page : std::initializer_list<TParamPage*>{
             rig.formCommon, rig.formGPRS, rig.formGPS, rig.formAcc, rig.formInOut, rig.formPhones})
        EXPECT_TRUE(page->FWasRead) << page->Name();

    // Written back exactly as read.
    c.WriteAll(Join({CommonWrites,
                     GPRSWrites,
                     {"+R01", "+q0C", "+K00", "+Z0500", "+z12"},
                     {"+f019161112233", "+f029031234567", "+f03 ", "+f04 ", "+f05 "}}));
    EXPECT_EQ(rig.formPhones->FRefValues.Find("etPhone3"), std::optional<std::string>(" "));
    EXPECT_TRUE(rig.formInOut->FWasWritten);
    EXPECT_EQ(c.Sim.Unit().CommitCount(), 1);

    // With every number read as empty the numbers' switch is ticked.
    for (int n = 1; n <= 5; ++n)
        c.Sim.Unit().SetValue("etPhone" + std::to_string(n), "");
    rig.Select(rig.formPhones);
    ASSERT_TRUE(rig.Run(rqReadPage));
    EXPECT_TRUE(rig.formPhones->cbPhonesOff->Checked());
}

TEST(DeviceWalks, Generation1UsesThePerInputCodes) {
    TWalkCase c(18);
    TPagesRig& rig = c.Rig;
    TLines codes;
    for (int k = 0; k < 5; ++k) {
        codes.push_back("+Z0" + std::to_string(k));
        codes.push_back("+z0" + std::to_string(k));
    }
    codes.push_back("+k");
    c.ReadAll(Join({CommonReads, GPRSReads, codes}));
    EXPECT_EQ(rig.formInOut->Edit1->Text(), "112002001");
    EXPECT_EQ(rig.formInOut->Edit10->Text(), "312002005");
    EXPECT_TRUE(rig.formInOut->CheckBox3->Checked());
    EXPECT_FALSE(rig.formInOut->CheckBox4->Checked());
    EXPECT_EQ(rig.formInOut->FRefValues.Get("Edit9"), "112002005");
    EXPECT_EQ(rig.formInOut->lb10->FontColor(), clBlue);
    EXPECT_FALSE(rig.formGPS->FWasRead) << "pages without operations are only shown";
    EXPECT_EQ(rig.TextsFor(rig.formPhones), TLines{"Show"});

    rig.formInOut->CheckBox4->SetChecked(true);
    TLines writes;
    for (int k = 0; k < 5; ++k) {
        const std::string n = std::to_string(k + 1);
        writes.push_back("+Z0" + std::to_string(k) + "11200200" + n + "1");
        writes.push_back("+z0" + std::to_string(k) + "31200200" + n + (k == 0 ? "1" : "0"));
    }
    c.WriteAll(Join({CommonWrites, GPRSWrites, writes}));
}

TEST(DeviceWalks, Generation2HasNoGPSAndNoNumbers) {
    TWalkCase c(30);
    c.ReadAll(Join({CommonReads, GPRSReads, {"+q", "+K", "+S", "+Z", "+z", "+k", "+S", "+M"}}));
    EXPECT_EQ(c.Rig.formAcc->pPowerState->Caption(), "Основное");
    c.WriteAll(Join({CommonWrites, GPRSWrites, {"+q0C", "+K00", "+Z0500", "+z12"}}));
}

TEST(DeviceWalks, FailuresOnTwoPagesWarnOnceAfterTheLastPage) {
    TWalkCase c(41, kRigShortReplyScale);
    TPagesRig& rig = c.Rig;
    // The progress gives way before the first box comes up, not once it is
    // closed: the status bar's last word before it is no progress.
    const auto progressEndsBeforeTheBox = [&] {
        std::string last;
        for (const TTaken& t : rig.Taken) {
            if (t.Kind == okMsg)
                return last.find("прервать") == std::string::npos;
            if (t.Control == rig.StatusPanel4)
                last = t.Text;
        }
        return false;
    };
    ASSERT_TRUE(rig.Run(rqReadAll));
    rig.ClearTaken();
    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::Error, .Command = "+T"});
    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::NoAnswer, .Command = "+K"});
    ASSERT_TRUE(rig.Run(rqWriteAll));
    EXPECT_EQ(rig.Messages(),
              TLines{"ВНИМАНИЕ! НЕ ВСЕ ПАРАМЕТРЫ БЫЛИ УСПЕШНО ЗАПИСАНЫ!\nОшибок: 2 — "
                     "Общие установки › Сколько раз допустимо не получить ответ от модема; "
                     "Аккумулятор › Флаг тестирования аккумулятора"});
    EXPECT_EQ(rig.TextsFor(rig.StatusPanel4).back(), "Ошибок: 2") << "in place of the progress";
    EXPECT_TRUE(progressEndsBeforeTheBox());
    const auto memo = rig.MemoLines();
    const int warning = [&] {
        for (std::size_t i = 0; i < rig.Taken.size(); ++i)
            if (rig.Taken[i].Kind == okMsg)
                return static_cast<int>(i);
        return -1;
    }();
    const int lastShow = [&] {
        int last = -1;
        for (std::size_t i = 0; i < rig.Taken.size(); ++i)
            if (rig.Taken[i].Control == rig.formPhones && rig.Taken[i].Text == "Show")
                last = static_cast<int>(i);
        return last;
    }();
    EXPECT_GT(warning, lastShow) << "after the last page";
    EXPECT_EQ(rig.formCommon->lbetModemTryes->FontColor(), clRed);
    EXPECT_EQ(rig.formAcc->lbcbAccTest->FontColor(), clRed);
    EXPECT_EQ(rig.formGPRS->lbetIp->FontColor(), clBlue);
    EXPECT_EQ(rig.WriteState.load(), 3) << "committed, but not everything was written";

    // The next write starts afresh.
    rig.ClearTaken();
    ASSERT_TRUE(rig.Run(rqWriteAll));
    EXPECT_EQ(rig.Messages(), TLines{"Запись всех параметров завершена!\nЗаписано параметров: 30"});
    EXPECT_EQ(rig.WriteState.load(), 1);
    EXPECT_EQ(rig.TextsFor(rig.StatusPanel4).front(), "") << "the count goes when the next begins";
    EXPECT_EQ(rig.TextsFor(rig.StatusPanel4).back(), "");

    // A read all that lost parameters says which, after its usual words.
    // (Never two without a reply in a row: that is a unit gone silent.)
    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::Garbage, .Command = "+l"});
    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::Error, .Command = "+s"});
    for (const char* command : {"+L", "+o"})
        c.Sim.Unit().AddFault({.Kind = TSimFaultKind::NoAnswer, .Command = command});
    rig.ClearTaken();
    ASSERT_TRUE(rig.Run(rqReadAll));
    EXPECT_EQ(
        rig.Messages(),
        TLines{"Чтение всех параметров завершено!\nОшибок: 4 — Общие установки › Смещение по "
               "широте Lat; Общие установки › Смещение по долготе Lon; Общие установки › Время "
               "перезагрузки GPS-приёмника, если не определяются координаты и ещё 1"});
    EXPECT_TRUE(progressEndsBeforeTheBox());

    // The power state and the flags page's rows keep no record: their
    // captions name them, each row of the flags page once.
    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::Error, .Command = "+S", .Count = 2});
    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::Error, .Command = "+M"});
    rig.ClearTaken();
    ASSERT_TRUE(rig.Run(rqReadAll));
    EXPECT_EQ(rig.Messages(),
              TLines{"Чтение всех параметров завершено!\nОшибок: 4 — Аккумулятор › Текущее "
                     "состояние питания; Флаги › Текущее состояние; Флаги › Флаги событий "
                     "(Восстановление) и ещё 1"});
}

TEST(DeviceWalks, ALostLinkEndsReadAllWhereItIs) {
    TWalkCase c(41);
    TPagesRig& rig = c.Rig;
    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::DropLine, .Command = "+B"});
    rig.Run(rqReadAll);
    ASSERT_TRUE(rig.WaitLinkEnded(10000)) << "the link thread ends";
    const TLines sent = c.Sim.Unit().Commands();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back(), "+B") << "nothing after the lost command";
    EXPECT_EQ(rig.Device->GetCurrentPage(), rig.formGPRS) << "the page stays current";
    // No completion message: one box says the line is gone, whatever the
    // memo shows.
    ASSERT_EQ(rig.Messages().size(), 1u);
    const std::string lost = "ОШИБКА! Связь с COM-портом потеряна: не удалось прочитать из порта (";
    EXPECT_TRUE(rig.Messages()[0].starts_with(lost + "POSIX error ") ||
                rig.Messages()[0].starts_with(lost + "Win32 error "))
        << rig.Messages()[0];
    EXPECT_EQ(rig.FindMemo("Окончили читать всё"), -1);
    EXPECT_FALSE(rig.formGPRS->FWasRead);
    EXPECT_TRUE(rig.formCommon->FWasRead);
    EXPECT_EQ(rig.TextsFor(rig.tv1).back(), "true") << "the tree is unlocked";
    EXPECT_EQ(rig.TextsFor(rig.StatusPanel4).back(), "Ошибок: 1") << "the progress gives way";
    EXPECT_TRUE(rig.TextsFor(rig.formGPS).empty()) << "no later page comes to the front";
}

TEST(DeviceWalks, PagesWithoutOperationsOnlyLockTheTree) {
    TWalkCase c(41);
    TPagesRig& rig = c.Rig;
    rig.form_Debug->EditN(1)->SetTag(1000);
    rig.Select(rig.form_Debug);
    ASSERT_TRUE(rig.Run(rqReadPage));
    EXPECT_TRUE(c.Sim.Unit().Commands().empty());
    EXPECT_EQ(rig.TextsFor(rig.tv1), (TLines{"false", "true"}));
    EXPECT_EQ(rig.form_Debug->EditN(1)->Tag(), 0) << "marks are removed";
    rig.Select(rig.formRecords);
    ASSERT_TRUE(rig.Run(rqWritePage));
    // A commit of nothing would store whatever else the unit holds unsaved.
    EXPECT_TRUE(c.Sim.Unit().Commands().empty()) << "nothing written, nothing committed";
}

// The unit holds a value its field cannot show exactly. Read all says so
// (red lamp, the value and what the field takes, counted); the field never
// shows a value the unit does not hold; write all leaves the parameter out
// (or, for bits no box shows, writes them back as they were) and the unit
// keeps what it held.
struct THeldCase {
    const char* Name;
    const char* Key;  // the unit's store
    const char* Held; // what it holds
    std::function<QObject*(TPagesRig&)> Control;
    const char* Told; // what the memo says the unit holds: "устройство хранит «Told», Why"
    const char* Why;
    const char* Shows; // what the control shows; nullptr: left as it was (a spin edit)
    const char* Sent;  // what write all sends for it; nullptr: nothing
};

void PrintTo(const THeldCase& c, std::ostream* out) {
    *out << c.Name;
}

class UnitHolds : public testing::TestWithParam<THeldCase> {};

TEST_P(UnitHolds, AValueItsFieldCannotShow) {
    const THeldCase& p = GetParam();
    TWalkCase c(41);
    TPagesRig& rig = c.Rig;
    c.Sim.Unit().SetValue(p.Key, p.Held);
    QObject* control = p.Control(rig);
    const std::string before = ShownValue(control).value_or("");
    ASSERT_TRUE(rig.Run(rqReadAll));
    const TLines messages = rig.Messages();
    ASSERT_EQ(messages.size(), 1u);
    if (p.Why) {
        EXPECT_NE(messages[0].find("\nОшибок: 1 — "), std::string::npos) << messages[0];
        bool said = false;
        for (const std::string& line : rig.MemoLines(true))
            said = said || line.find(std::string("устройство хранит «") + p.Told + "», " + p.Why) !=
                               std::string::npos;
        EXPECT_TRUE(said) << p.Why;
    } else {
        EXPECT_EQ(messages[0], "Чтение всех параметров завершено!") << "bits kept, not a failure";
    }
    EXPECT_EQ(ShownValue(control), std::optional<std::string>(p.Shows ? p.Shows : before));

    c.Sim.Unit().ClearCommands();
    ASSERT_TRUE(rig.Run(rqWriteAll));
    const TLines sent = c.Sim.Unit().Commands();
    bool wrote = false;
    for (const std::string& s : sent)
        if (p.Sent ? s == p.Sent : s.rfind(p.Key, 0) == 0 && s != p.Key)
            wrote = true;
    EXPECT_EQ(wrote, p.Sent != nullptr) << testing::PrintToString(sent);
    EXPECT_EQ(c.Sim.Unit().Value(p.Key), p.Held) << "the unit keeps what it held";
    EXPECT_EQ(rig.WriteState.load(), 1) << "the rest is committed";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, UnitHolds,
    testing::Values(
        THeldCase{"SpinOutOfRange", "+q", "00",
                  [](TPagesRig& r) { return r.formAcc->seACCCheckTime; }, "0",
                  "поле допускает 1…23", nullptr, nullptr},
        THeldCase{"TriesAboveTheRule", "+A", "0F",
                  [](TPagesRig& r) { return r.formGPRS->etGPRSTryes; }, "15", "поле допускает 0…10",
                  "15", nullptr},
        THeldCase{"PauseBelowTheRule", "+a", "01",
                  [](TPagesRig& r) { return r.formGPRS->etGPRSTimeout; }, "1",
                  "поле допускает 3…255", "1", nullptr},
        THeldCase{"SwitchCodeWithoutABox", "+c", "01",
                  [](TPagesRig& r) { return r.formGPRS->cbGPRS; }, "01", "флажок показывает только",
                  "false", nullptr},
        THeldCase{"TestFlagCode", "+K", "03", [](TPagesRig& r) { return r.formAcc->cbAccTest; },
                  "03", "флажок показывает только", "false", nullptr},
        THeldCase{"LongerThanTheField", "+h", "+7916123456789012345",
                  [](TPagesRig& r) { return r.formCommon->etPhone; }, "+7916123456789012345",
                  "поле вмещает 16 символов", "+7916123456789012345", nullptr},
        THeldCase{"ElevenDigitNumber", "+f01", "89161112233",
                  [](TPagesRig& r) { return r.formPhones->etPhone1; }, "89161112233",
                  "поле допускает номер из 10", "89161112233", nullptr},
        THeldCase{"InputModeAboveTwo", "+Z", "0503",
                  [](TPagesRig& r) { return r.formInOut->RadioButton1; }, "0503", "режим входов 03",
                  "false", nullptr},
        THeldCase{"FlagBitsWithoutABox", "+R", "07",
                  [](TPagesRig& r) { return r.formGPS->cbGPSOff; }, "", nullptr, "true", "+R07"}),
    [](const auto& Info) { return std::string(Info.param.Name); });

// A write with nothing known sends nothing and commits nothing, and says
// what to do first.
TEST(DeviceWalks, WriteAllWithNothingKnownSendsNothing) {
    TWalkCase c(41);
    ASSERT_TRUE(c.Rig.Run(rqWriteAll));
    EXPECT_TRUE(c.Sim.Unit().Commands().empty());
    EXPECT_EQ(c.Rig.WriteState.load(), 0) << "no commit";
    ASSERT_EQ(c.Rig.Messages().size(), 1u);
    EXPECT_EQ(c.Rig.Messages()[0].rfind("В блок ничего не записано", 0), 0u) << c.Rig.Messages()[0];
    EXPECT_GE(
        c.Rig.FindMemo(" # Общие установки › Номер объекта: не записан, значение не прочитано из "
                       "блока и не задано"),
        0);
    EXPECT_NE(c.Rig.Messages()[0].find(
                  "Оставлено, как хранит блок: 30 — Общие установки › Номер объекта"),
              std::string::npos)
        << c.Rig.Messages()[0];
}

namespace {

// A set saved after read all from a unit of one generation, written by
// write all to a unit of each generation: with nothing read from that unit
// first (as orbelin-batch writes), and once after read all (as an operator
// does). What the set has no key for is left as the unit holds it, and the
// rest is sent, checked and committed.
struct TSetOnUnit {
    int SetGeneration;
    int UnitGeneration;
    bool ReadFirst;
    int Written; // parameters sent and verified
    int Left;    // left as the unit holds them, each named
};

void PrintTo(const TSetOnUnit& c, std::ostream* out) {
    *out << "set " << c.SetGeneration << " on unit " << c.UnitGeneration
         << (c.ReadFirst ? " after read all" : "");
}

constexpr int GenerationRevision[] = {41, 18, 30};

// The set a unit of the generation gives, saved once for every case.
std::string SetOfGeneration(int Generation) {
    static TTempDir dir;
    const std::string file = dir.File("gen" + std::to_string(Generation) + ".ini");
    if (std::filesystem::exists(file))
        return file;
    TSimulator sim;
    sim.Unit().SetRevision(GenerationRevision[Generation]);
    sim.Unit().SetValue("+O", "0456");
    TPagesRig rig;
    EXPECT_TRUE(rig.Connect(sim));
    EXPECT_TRUE(rig.Run(rqReadAll));
    SaveParameterSet(file, rig.Pages);
    return file;
}

class SetOnUnit : public testing::TestWithParam<TSetOnUnit> {};

} // namespace

TEST_P(SetOnUnit, WritesWhatTheSetGivesAndLeavesTheRest) {
    const TSetOnUnit& p = GetParam();
    const std::string set = SetOfGeneration(p.SetGeneration);
    TWalkCase c(GenerationRevision[p.UnitGeneration]);
    TPagesRig& rig = c.Rig;
    rig.Device->SetVerifyWrites(true);
    if (p.ReadFirst) {
        ASSERT_TRUE(rig.Run(rqReadAll));
    }
    const std::string inputCode = c.Sim.Unit().Value("+Z00");
    // A key the set does not have is no news; every value it has loads.
    EXPECT_TRUE(LoadParameterSet(set, rig.Pages).Empty());
    if (p.ReadFirst) {
        EXPECT_EQ(rig.formInOut->Edit1->Text().empty(), p.UnitGeneration != 1)
            << "what the unit gave stays";
    }
    rig.ClearTaken();
    c.Sim.Unit().ClearCommands();
    ASSERT_TRUE(rig.Run(rqWriteAll));
    EXPECT_EQ(rig.Device->WritesSent(), p.Written);
    EXPECT_EQ(rig.WriteState.load(), 1) << "committed, EEPROM blue";
    EXPECT_EQ(c.Sim.Unit().CommitCount(), 1);
    EXPECT_EQ(c.Sim.Unit().Value("+O"), "0456") << "the shared values go out";
    EXPECT_EQ(c.Sim.Unit().Value("+Z00"), inputCode) << "the unit keeps what nobody gave";
    ASSERT_EQ(rig.Messages().size(), 1u);
    const std::string done = rig.Messages()[0];
    EXPECT_TRUE(done.starts_with(
        "Запись всех параметров завершена!\nЗаписано параметров: " + std::to_string(p.Written) +
        ", проверено: " + std::to_string(p.Written)))
        << done;
    const std::string left = "\nОставлено, как хранит блок: " + std::to_string(p.Left) + " — ";
    EXPECT_EQ(done.find(left) != std::string::npos, p.Left > 0) << done;
    EXPECT_EQ(done.find("Оставлено") != std::string::npos, p.Left > 0) << done;
    if (p.Left > 0 && p.UnitGeneration == 1) {
        EXPECT_NE(done.find("Входы, выходы › "), std::string::npos) << "by page and caption";
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Generations, SetOnUnit, testing::Values(
    TSetOnUnit{0, 0, false, 30, 0}, TSetOnUnit{0, 1, false, 20, 10}, TSetOnUnit{0, 2, false, 24, 0},
    TSetOnUnit{1, 0, false, 21, 9},  TSetOnUnit{1, 1, false, 30, 0}, TSetOnUnit{1, 2, false, 21, 3},
    TSetOnUnit{2, 0, false, 24, 6},  TSetOnUnit{2, 1, false, 20, 10}, TSetOnUnit{2, 2, false, 24, 0},
    TSetOnUnit{0, 1, true, 30, 0}));
// clang-format on

// A unit that stops answering part way ends the walk after two commands
// without a reply: the rest is not sent, and the operator is told where it
// stopped and what to check.
TEST(DeviceWalks, AUnitThatFallsSilentEndsTheWalk) {
    TWalkCase c(41, kRigShortReplyScale);
    TPagesRig& rig = c.Rig;
    c.Sim.Unit().AddFault(
        {.Kind = TSimFaultKind::NoAnswer, .Command = "", .Skip = 12, .Count = -1});
    ASSERT_TRUE(rig.Run(rqReadAll));
    EXPECT_EQ(c.Sim.Unit().Commands().size(), 14u) << "twelve answered, two not, then nothing";
    ASSERT_EQ(rig.Messages().size(), 1u);
    const std::string said = rig.Messages()[0];
    EXPECT_TRUE(said.starts_with("ОШИБКА! Устройство перестало отвечать")) << said;
    EXPECT_NE(said.find("Последний ответ — на параметр «GPRS › "), std::string::npos) << said;
    EXPECT_NE(said.find("Проверьте питание устройства, кабель и COM-порт"), std::string::npos);
    EXPECT_NE(said.find("\nОшибок: "), std::string::npos) << "the rest is not read: " << said;
    EXPECT_TRUE(rig.LinkExists() && !rig.LinkEnded()) << "the unit may come back";
    const TLines progress = rig.TextsFor(rig.StatusPanel4);
    ASSERT_FALSE(progress.empty());
    EXPECT_NE(progress.front().find("Ctrl+D"), std::string::npos) << "how to stop a walk";

    // The next request tries the unit again; a write stopped part way is
    // not committed.
    c.Sim.Unit().ClearFaults();
    c.Sim.Unit().ClearCommands();
    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::NoAnswer, .Command = "", .Skip = 3, .Count = -1});
    rig.ClearTaken();
    rig.formCommon->etObjNum->SetText("0777");
    ASSERT_TRUE(rig.Run(rqWriteAll));
    EXPECT_EQ(c.Sim.Unit().Commands().size(), 5u);
    EXPECT_EQ(c.Sim.Unit().CommitCount(), 0);
    ASSERT_EQ(rig.Messages().size(), 1u);
    EXPECT_TRUE(rig.Messages()[0].starts_with("ОШИБКА! Устройство перестало отвечать"))
        << rig.Messages()[0];
}
