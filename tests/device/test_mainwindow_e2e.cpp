// The device layer through the real main window, against the simulated unit
// on a pseudo-terminal: the operator's tool bar commands, the console, the
// records page and the walk's progress in the status bar.

#include <gtest/gtest.h>

#include "../app/MainWindowRig.h"
#include "ProgramRun.h"
#include "SimulatedUnit.h"
#include "pages/f_Debug.h"
#include "pages/f_GPRS.h"
#include "pages/f_Records.h"
#include "pages/f_common.h"
#include "pages/f_inout.h"
#include "services/Journal.h"

namespace {

class MainWindow : public ::testing::TestWithParam<int> {
protected:
    // Short pauses; replies waited for as long as the protocol waits, which
    // costs nothing here, since the unit always answers.
    void SetUp() override { F.Link().SetTimeScaleForTests(0.05, 1.0); }
    void TearDown() override { F.tbtnDisconnectClick(F.tbtnDisconnect); }

    bool Idle() {
        Rig.Drain();
        return F.Link().Mode() == 0;
    }
    void SelectPage(int Number) {
        for (int i = 0; i < F.tv1->NodeCount(); ++i)
            if (F.tv1->Node(i)->StateIndex() == Number)
                F.tv1->Select(F.tv1->Node(i));
    }

    TSimulator Sim;
    TMainWindowRig Rig;
    TForm1& F = *Rig.Form;
    TModalAnswer Answers{[](QWidget*) {}};
};

// The journal once it holds Count records: the window appends a record as
// it drains the queue after the write.
TJournal JournalOf(TMainWindowRig& Rig, std::size_t Count) {
    TJournal journal;
    WaitUntil(
        [&] {
            Rig.Drain();
            journal = ReadJournal(JournalFile());
            return journal.Records.size() >= Count;
        },
        5000);
    return journal;
}

const TParamResult* Param(const std::vector<TParamResult>& Params, const std::string& Name) {
    for (const TParamResult& p : Params)
        if (p.Name == Name)
            return &p;
    return nullptr;
}
// A pointer into a temporary list would dangle.
const TParamResult* Param(std::vector<TParamResult>&& Params, const std::string& Name) = delete;

void RunEventLoop(int Ms) {
    QEventLoop loop;
    QTimer::singleShot(Ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Paint events of every widget over one second of the event loop, after
// the window's first paints on coming up.
int PaintsInASecond() {
    RunEventLoop(500);
    struct TCounter : QObject {
        int Paints = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            Paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    qApp->installEventFilter(&counter);
    RunEventLoop(1000);
    qApp->removeEventFilter(&counter);
    return counter.Paints;
}

} // namespace

// At rest nothing repaints. A paint that schedules another paint repaints
// hundreds of times a second; a blinking text cursor a few times.
TEST_F(MainWindow, AtRestTheWindowDoesNotRepaint) {
    constexpr int Handful = 10;
    int dialogPaints = -1;
    {
        TModalAnswer dialog([&](QWidget* w) {
            if (w != F.dlgConnect)
                return;
            dialogPaints = PaintsInASecond();
            F.dlgConnect->CancelBtn->UserClick();
        });
        F.show();
        ASSERT_TRUE(
            WaitUntil([&] { return dialogPaints >= 0 && !F.dlgConnect->isVisible(); }, 10000));
    }
    EXPECT_LE(dialogPaints, Handful) << "with the connection dialog up";

    ASSERT_TRUE(Rig.Connect(Sim.SlavePath()));
    ASSERT_TRUE(WaitUntil([&] { return Idle(); }, 5000));
    EXPECT_LE(PaintsInASecond(), Handful) << "connected";

    F.tbtnReadAll->Click();
    ASSERT_TRUE(WaitUntil([&] { return !Answers.Messages.empty() && Idle(); }, 30000));
    EXPECT_LE(PaintsInASecond(), Handful) << "after reading all";
}

// Every generation: read all, edit, write all with its commit. The unit is
// given by its firmware revision.
TEST_P(MainWindow, ReadEditWriteAndCommitEveryPage) {
    const int revision = GetParam();
    const int generation = revision <= 18 ? 1 : revision <= 36 ? 2 : 0;
    const std::size_t reads[3] = {34, 31, 28};
    const std::size_t writes[3] = {30, 30, 24};
    Sim.Unit().SetRevision(revision);
    ASSERT_TRUE(Rig.Connect(Sim.SlavePath()));
    ASSERT_EQ(F.Generation(), generation);
    Sim.Unit().ClearCommands();

    std::vector<std::string> progress;
    F.tbtnReadAll->Click();
    ASSERT_TRUE(WaitUntil(
        [&] {
            const std::string text = F.StatusBar1->Panel(4)->Text();
            if (!text.empty() && (progress.empty() || progress.back() != text))
                progress.push_back(text);
            return !Answers.Messages.empty();
        },
        30000));
    EXPECT_EQ(Answers.Messages, std::vector<std::string>{"Чтение всех параметров завершено!"});
    ASSERT_TRUE(WaitUntil([&] { return Idle(); }, 5000));
    EXPECT_EQ(Sim.Unit().CommandCount(), reads[generation]);
    ASSERT_FALSE(progress.empty()) << "the walk shows where it stands";
    EXPECT_EQ(progress.front().rfind("Чтение ", 0), 0u) << progress.front();
    EXPECT_EQ(F.StatusBar1->Panel(4)->Text(), "") << "and clears it at the end";
    EXPECT_EQ(F.formCommon->etObjNum->Text(), "0123");
    if (generation == 1)
        EXPECT_EQ(F.formInOut->Edit1->Text(), "112002001");
    else
        EXPECT_EQ(F.formInOut->FRefValues.Get("CheckBox3"), "true");
    EXPECT_TRUE(F.formInOut->FWasRead);
    EXPECT_TRUE(F.tv1->Enabled());

    // The operator edits two pages and writes everything; a new
    // installation checks its writes.
    F.formCommon->etObjNum->SetText("77");
    F.formGPRS->etAccessPoint->SetText("apn.example");
    Answers.Messages.clear();
    Sim.Unit().ClearCommands();
    F.tbtnWriteAll->Click();
    ASSERT_TRUE(WaitUntil([&] { return Idle() && F.WriteState() != 0; }, 30000));
    EXPECT_EQ(F.WriteState(), 1);
    const std::string count = std::to_string(writes[generation]);
    EXPECT_EQ(Answers.Messages,
              std::vector<std::string>{"Запись всех параметров завершена!\nЗаписано параметров: " +
                                       count + ", проверено: " + count});
    EXPECT_EQ(Sim.Unit().CommandCount(), 2 * writes[generation] + 1)
        << "each read back, and the commit";
    EXPECT_EQ(Sim.Unit().Value("+O"), "0077");
    EXPECT_EQ(Sim.Unit().Value("+G"), "apn.example");
    EXPECT_EQ(Sim.Unit().CommitCount(), 1);
    EXPECT_TRUE(F.formGPRS->FWasWritten);

    // The write is in the journal, each parameter with its outcome.
    const TJournal journal = JournalOf(Rig, 1);
    ASSERT_EQ(journal.Records.size(), 1u);
    const TJournalRecord& r = journal.Records[0];
    EXPECT_EQ(r.Program, "window");
    EXPECT_EQ(r.Request, "write all");
    EXPECT_EQ(r.Port, Sim.SlavePath());
    EXPECT_EQ(r.ObjNum, "0077");
    EXPECT_EQ(r.Generation, generation);
    EXPECT_EQ(r.Firmware.find("REV 07."), 8u) << r.Firmware;
    EXPECT_TRUE(r.Committed);
    EXPECT_EQ(r.Outcome, TUnitResult::Verified);
    EXPECT_EQ(r.Verified, static_cast<int>(writes[generation]));
    EXPECT_EQ(r.Failed, 0);
    const std::vector<TParamResult> params = journal.Params(r);
    const TParamResult* apn = Param(params, "etAccessPoint");
    ASSERT_NE(apn, nullptr);
    EXPECT_EQ(apn->Value, "apn.example");
    EXPECT_EQ(apn->Outcome, TParamOutcome::Verified);
    // orbelin-batch reads the same file.
    const TProgramRun listed =
        RunProgram(ORB_BATCH, {"journal", "--home", Rig.Home.Path(), "--unit", "77", "--params"});
    EXPECT_EQ(listed.Exit, 0) << listed.Err;
    EXPECT_NE(listed.Out.find("окно  запись всех  порт " + Sim.SlavePath() + "  блок 0077"),
              std::string::npos)
        << listed.Out;
    EXPECT_NE(listed.Out.find("    GPRS › Точка доступа GPRS"), std::string::npos) << listed.Out;
    EXPECT_NE(listed.Out.find("записей: 1"), std::string::npos) << listed.Out;
}

INSTANTIATE_TEST_SUITE_P(Generations, MainWindow, ::testing::Values(41, 18, 30));

TEST_F(MainWindow, APageWriteWithARefusedParameterWarns) {
    ASSERT_TRUE(Rig.Connect(Sim.SlavePath()));
    F.mnuVerify->Click(); // unchecked: the write is committed, but yellow
    SelectPage(3);
    F.tbtnRead->Click();
    ASSERT_TRUE(WaitUntil([&] { return Idle() && F.formGPRS->FWasRead; }, 10000));
    Sim.Unit().AddFault({.Kind = TSimFaultKind::Error, .Command = "+I"});
    F.tbtnWrite->Click();
    ASSERT_TRUE(WaitUntil([&] { return Idle() && F.WriteState() != 0; }, 30000));
    EXPECT_EQ(Answers.Messages,
              std::vector<std::string>{"ВНИМАНИЕ! НЕ ВСЕ ПАРАМЕТРЫ БЫЛИ УСПЕШНО ЗАПИСАНЫ!\n"
                                       "Ошибок: 1 — GPRS › IP-адрес сервера для GPRS-соединения"});
    EXPECT_TRUE(WaitUntil([&] { return F.StatusBar1->Panel(4)->Text() == "Ошибок: 1"; }, 10000));
    EXPECT_EQ(F.WriteState(), 3);
    EXPECT_EQ(F.formGPRS->lbetIp->FontColor(), clRed);
    EXPECT_EQ(F.formGPRS->lbetPort->FontColor(), clBlue);
}

// A depot set saved from a unit of generation 0 travels: reloaded at once it
// says nothing, and on a unit of generation 1 just read, write all sends
// the values the set has, keeps the input codes the unit gave and commits.
TEST_F(MainWindow, ASetOfAnotherGenerationWritesCleanly) {
    const std::string set = Rig.Home.File("depot.ini");
    F.ChooseSettingsFile = [&](const TFileDialogSetup&) { return set; };
    const auto walk = [&](TToolButton* Button) {
        Answers.Messages.clear();
        Button->Click();
        return WaitUntil([&] { return Idle() && !Answers.Messages.empty(); }, 30000);
    };
    Sim.Unit().SetValue("+O", "0456");
    ASSERT_TRUE(Rig.Connect(Sim.SlavePath()));
    ASSERT_TRUE(walk(F.tbtnReadAll));
    F.mnuSave->trigger();
    Answers.Messages.clear();
    F.mnuLoad->trigger();
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Messages.front();
    F.tbtnDisconnectClick(F.tbtnDisconnect);

    TSimulator older;
    older.Unit().SetRevision(18);
    const std::string codes = older.Unit().Value("+Z00");
    ASSERT_TRUE(Rig.Connect(older.SlavePath()));
    ASSERT_TRUE(walk(F.tbtnReadAll));
    Answers.Messages.clear();
    F.mnuLoad->trigger();
    EXPECT_TRUE(Answers.Messages.empty()) << Answers.Messages.front();
    EXPECT_EQ(F.formInOut->Edit1->Text(), codes.substr(0, 9)) << "what the unit gave stays";
    ASSERT_TRUE(walk(F.tbtnWriteAll));
    EXPECT_EQ(Answers.Messages.front().rfind("Запись всех параметров завершена!", 0), 0u)
        << Answers.Messages.front();
    EXPECT_EQ(F.WriteState(), 1) << "EEPROM blue";
    EXPECT_EQ(older.Unit().CommitCount(), 1);
    EXPECT_EQ(older.Unit().Value("+O"), "0456");
    EXPECT_EQ(older.Unit().Value("+Z00"), codes);
}

// With "Проверять запись" on, a page write is read back before its commit:
// everything kept, one value the unit did not keep, one it does not give.
TEST_F(MainWindow, CheckedWritesAreCommittedOnlyWhenTheUnitHoldsThem) {
    ASSERT_TRUE(Rig.Connect(Sim.SlavePath()));
    ASSERT_TRUE(F.mnuVerify->Checked()) << "on for a new installation";
    SelectPage(3);
    F.tbtnRead->Click();
    ASSERT_TRUE(WaitUntil([&] { return Idle() && F.formGPRS->FWasRead; }, 10000));
    TEdit* apn = F.formGPRS->etAccessPoint;
    const auto write = [&](const std::string& text) {
        Answers.Messages.clear();
        Sim.Unit().ClearCommands();
        apn->SetText(text);
        F.tbtnWrite->Click();
        return WaitUntil(
            [&] { return Idle() && (F.WriteState() != 0 || !Answers.Messages.empty()); }, 30000);
    };

    ASSERT_TRUE(write("apn.one"));
    EXPECT_EQ(F.WriteState(), 1);
    EXPECT_EQ(Sim.Unit().CommitCount(), 1);
    EXPECT_EQ(Sim.Unit().CommandCount(), 12u + 12u + 1u) << "each write read back, then the commit";
    EXPECT_TRUE(Answers.Messages.empty());

    Sim.Unit().AddFault({.Kind = TSimFaultKind::Keep, .Command = "+G"});
    ASSERT_TRUE(write("apn.two"));
    ASSERT_EQ(Answers.Messages.size(), 1u);
    EXPECT_EQ(Answers.Messages[0].rfind("ПРОВЕРКА ЗАПИСИ", 0), 0u) << Answers.Messages[0];
    EXPECT_NE(Answers.Messages[0].find("Отличаются: 1 — "), std::string::npos);
    EXPECT_EQ(Sim.Unit().CommitCount(), 1) << "no commit";
    EXPECT_EQ(F.WriteState(), 0);
    ASSERT_TRUE(WaitUntil([&] { return Idle() && apn->Text() == "apn.one"; }, 5000))
        << "the field shows what the unit holds";
    EXPECT_EQ(apn->FontStyle(), fsBold | fsUnderline) << "marked as changed";
    EXPECT_EQ(F.formGPRS->lbetAccessPoint->FontColor(), clRed);
    EXPECT_EQ(F.formGPRS->lbetIp->FontColor(), clBlue);
    bool said = false;
    for (const std::string& line : F.Memo1->Lines())
        said = said ||
               line.find("отправлено «apn.two», устройство хранит «apn.one»") != std::string::npos;
    EXPECT_TRUE(said);

    Sim.Unit().AddFault({.Kind = TSimFaultKind::NoAnswer, .Command = "+G", .Exact = true});
    ASSERT_TRUE(write("apn.three"));
    ASSERT_EQ(Answers.Messages.size(), 1u);
    EXPECT_NE(Answers.Messages[0].find("Отличаются: 1 — "), std::string::npos);
    EXPECT_EQ(Sim.Unit().Value("+G"), "apn.three");
    EXPECT_EQ(Sim.Unit().CommitCount(), 1) << "not read back: no commit either";
    EXPECT_EQ(F.formGPRS->lbetAccessPoint->FontColor(), clRed);

    // A write the unit refuses leaves its old value: the others, read back
    // and found as sent, are not committed either.
    Sim.Unit().ClearFaults();
    Sim.Unit().AddFault({.Kind = TSimFaultKind::Error, .Command = "+Gapn"});
    ASSERT_TRUE(write("apn.four"));
    ASSERT_TRUE(WaitUntil([&] { return Idle() && Answers.Messages.size() == 1; }, 10000));
    EXPECT_EQ(Answers.Messages[0].rfind("ВНИМАНИЕ! НЕ ВСЕ", 0), 0u) << Answers.Messages[0];
    EXPECT_TRUE(Answers.Messages[0].ends_with("\nЗапись в EEPROM не выполнена."))
        << "one message says it all";
    EXPECT_EQ(Sim.Unit().CommitCount(), 1) << "no commit";
    EXPECT_EQ(F.WriteState(), 0);
    EXPECT_EQ(F.formGPRS->lbetIp->FontColor(), clBlue);

    // Each of the four writes is in the journal with what became of the
    // access point, and whether the unit committed.
    const TJournal journal = JournalOf(Rig, 4);
    ASSERT_EQ(journal.Records.size(), 4u);
    const std::pair<TParamOutcome, TUnitResult> became[] = {
        {TParamOutcome::Verified, TUnitResult::Verified},
        {TParamOutcome::Differs, TUnitResult::Failed},
        {TParamOutcome::Differs, TUnitResult::Failed},
        {TParamOutcome::Refused, TUnitResult::Failed}};
    for (std::size_t i = 0; i < 4; ++i) {
        const TJournalRecord& r = journal.Records[i];
        EXPECT_EQ(r.Request, "write page");
        EXPECT_EQ(r.Outcome, became[i].second) << i;
        EXPECT_EQ(r.Committed, i == 0) << i;
        const std::vector<TParamResult> params = journal.Params(r);
        const TParamResult* written = Param(params, "etAccessPoint");
        ASSERT_NE(written, nullptr);
        EXPECT_EQ(written->Outcome, became[i].first) << i;
    }
}

TEST_F(MainWindow, ConsoleRowOneReadsTheVersion) {
    ASSERT_TRUE(Rig.Connect(Sim.SlavePath()));
    SelectPage(5);
    F.form_Debug->EditN(1)->SetText("+v");
    F.form_Debug->ButtonN(1)->Click();
    ASSERT_TRUE(
        WaitUntil([&] { return Idle() && !F.form_Debug->EditN(2)->Text().empty(); }, 10000));
    EXPECT_EQ(F.form_Debug->EditN(2)->Text(), "ORBELIN REV 07.41");
}

TEST_F(MainWindow, ToolButtonsDoNothingWithoutALink) {
    Rig.Show();
    ASSERT_FALSE(F.Link().Exists());
    const std::size_t memo = F.Memo1->Lines().size();
    F.form_Debug->EditN(1)->SetText("+v");
    F.form_Debug->EditN(2)->SetText("as typed");
    F.formRecords->etPointer->SetText("12");
    F.form_Debug->ButtonN(1)->Click();
    F.form_Debug->ButtonN(2)->Click();
    for (TButton* b : {F.formRecords->Button7, F.formRecords->Button3, F.formRecords->Button4,
                       F.formRecords->Button8, F.formRecords->Button5, F.formRecords->Button6,
                       F.formRecords->btnErase})
        b->Click();
    F.formInOut->btnSET->Click();
    Rig.Drain();
    EXPECT_EQ(F.form_Debug->FRow.load(), 0);
    EXPECT_EQ(F.form_Debug->EditN(2)->Text(), "as typed");
    EXPECT_EQ(F.formRecords->etPointer->Text(), "12");
    EXPECT_TRUE(F.formRecords->Memo1->Lines().empty());
    EXPECT_EQ(F.Memo1->Lines().size(), memo);
    EXPECT_TRUE(Sim.Unit().Commands().empty());
}
