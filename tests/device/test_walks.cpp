// Read all and write all against the simulated unit of each generation: the
// exact commands on the wire, the values on the pages and in their reference
// tables, the lamps, the page flags, the commit and the walk's progress.
#include <gtest/gtest.h>

#include "PagesRig.h"
#include "SimulatedUnit.h"

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
        EXPECT_EQ(texts.front(), std::string(What) + " 1/" + std::to_string(Total));
        EXPECT_EQ(texts[Total - 1],
                  std::string(What) + " " + std::to_string(Total) + "/" + std::to_string(Total));
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
        EXPECT_TRUE(Rig.Messages().empty());
        EXPECT_TRUE(Rig.FindMemo("Пишем всё") > 0 && Rig.FindMemo("Окончили писать всё") > 0);
        ExpectProgress("Запись", static_cast<int>(Expected.size()));
    }
};

} // namespace

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
    EXPECT_EQ(rig.formPhones->FRefValues.Get("etPhone1"), "+79161112233");
    EXPECT_FALSE(rig.formPhones->FRefValues.Find("etPhone3")) << "read as empty";
    EXPECT_FALSE(rig.formPhones->cbPhonesOff->Checked()) << "two numbers are set";
    for (TLabel* lamp : {rig.formCommon->lbetObjNum, rig.formGPRS->lbcb, rig.formGPS->lbGPSOff,
                         rig.formAcc->lbcbAccTest, rig.formInOut->lbrb3, rig.formInOut->lbcb1,
                         rig.formPhones->lbetPhone5})
        EXPECT_EQ(lamp->FontColor(), clBlue) << lamp->Name();
    for (TParamPage* page : std::initializer_list<TParamPage*>{
             rig.formCommon, rig.formGPRS, rig.formGPS, rig.formAcc, rig.formInOut, rig.formPhones})
        EXPECT_TRUE(page->FWasRead) << page->Name();

    // Written back as read; the page normalised the eleven-digit number.
    c.WriteAll(Join({CommonWrites,
                     GPRSWrites,
                     {"+R01", "+q0C", "+K00", "+Z0500", "+z12"},
                     {"+f019161112233", "+f028903123456", "+f03 ", "+f04 ", "+f05 "}}));
    EXPECT_EQ(rig.formPhones->FRefValues.Find("etPhone3"), std::optional<std::string>(" "));
    EXPECT_TRUE(rig.formInOut->FWasWritten);
    EXPECT_EQ(c.Sim.Unit().CommitCount(), 1);
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
    ASSERT_TRUE(rig.Run(rqReadAll));
    rig.ClearTaken();
    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::Error, .Command = "+T"});
    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::NoAnswer, .Command = "+K"});
    ASSERT_TRUE(rig.Run(rqWriteAll));
    EXPECT_EQ(rig.Messages(),
              TLines{"ВНИМАНИЕ! НЕ ВСЕ ПАРАМТРЫ БЫЛИ УСПЕШНО ЗАПИСАНЫ!\nОшибок: 2 — "
                     "Сколько раз допустимо не получить ответ от модема, "
                     "Флаг тестирования аккумулятора"});
    EXPECT_EQ(rig.TextsFor(rig.StatusPanel4).back(), "Ошибок: 2") << "in place of the progress";
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
    EXPECT_TRUE(rig.Messages().empty());
    EXPECT_EQ(rig.WriteState.load(), 1);
    EXPECT_EQ(rig.TextsFor(rig.StatusPanel4).front(), "") << "the count goes when the next begins";
    EXPECT_EQ(rig.TextsFor(rig.StatusPanel4).back(), "");

    // A read all that lost parameters says which, after its usual words.
    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::Garbage, .Command = "+l"});
    for (const char* command : {"+L", "+s", "+o"})
        c.Sim.Unit().AddFault({.Kind = TSimFaultKind::NoAnswer, .Command = command});
    rig.ClearTaken();
    ASSERT_TRUE(rig.Run(rqReadAll));
    EXPECT_EQ(rig.Messages(),
              TLines{"Чтение всех параметров завершено!\nОшибок: 4 — Смещение по широте, "
                     "Смещение по долготе, Время перезагрузки GPS приемника, если не определяются "
                     "координаты и ещё 1"});
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
    const std::string lost = "ОШИБКА! Связь с COM портом потеряна: Unable to read from port. (";
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
    EXPECT_EQ(c.Sim.Unit().Commands(), TLines{"+J"});
}
