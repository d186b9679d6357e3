// The device layer through the real main window, against the simulated unit
// on a pseudo-terminal: the operator's tool bar commands, the console, the
// records page and the walk's progress in the status bar.

#include <gtest/gtest.h>

#include "../app/MainWindowRig.h"
#include "Simulator.h"
#include "f_Debug.h"
#include "f_GPRS.h"
#include "f_Records.h"
#include "f_common.h"
#include "f_inout.h"

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

} // namespace

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

    // The operator edits two pages and writes everything.
    F.formCommon->etObjNum->SetText("77");
    F.formGPRS->etAccessPoint->SetText("apn.example");
    Answers.Messages.clear();
    Sim.Unit().ClearCommands();
    F.tbtnWriteAll->Click();
    ASSERT_TRUE(WaitUntil([&] { return Idle() && F.WriteState() != 0; }, 30000));
    EXPECT_EQ(F.WriteState(), 1);
    EXPECT_TRUE(Answers.Messages.empty());
    EXPECT_EQ(Sim.Unit().CommandCount(), writes[generation] + 1) << "and the commit";
    EXPECT_EQ(Sim.Unit().Value("+O"), "0077");
    EXPECT_EQ(Sim.Unit().Value("+G"), "apn.example");
    EXPECT_EQ(Sim.Unit().CommitCount(), 1);
    EXPECT_TRUE(F.formGPRS->FWasWritten);
}

INSTANTIATE_TEST_SUITE_P(Generations, MainWindow, ::testing::Values(41, 18, 30));

TEST_F(MainWindow, APageWriteWithARefusedParameterWarns) {
    ASSERT_TRUE(Rig.Connect(Sim.SlavePath()));
    SelectPage(3);
    F.tbtnRead->Click();
    ASSERT_TRUE(WaitUntil([&] { return Idle() && F.formGPRS->FWasRead; }, 10000));
    Sim.Unit().AddFault({.Kind = TSimFaultKind::Error, .Command = "+I"});
    F.tbtnWrite->Click();
    ASSERT_TRUE(WaitUntil([&] { return Idle() && F.WriteState() != 0; }, 30000));
    EXPECT_EQ(Answers.Messages,
              std::vector<std::string>{"ВНИМАНИЕ! НЕ ВСЕ ПАРАМТРЫ БЫЛИ УСПЕШНО ЗАПИСАНЫ!"});
    EXPECT_EQ(F.WriteState(), 3);
    EXPECT_EQ(F.formGPRS->lbetIp->FontColor(), clRed);
    EXPECT_EQ(F.formGPRS->lbetPort->FontColor(), clBlue);
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
