// The main window's read, write and page-request commands while connected to
// a simulated unit. Once connected, the unit answers late, so that a request
// the window hands to the link thread is still pending while the test looks.

#include <gtest/gtest.h>

#include <QTest>

#include "MainWindowRig.h"
#include "SimulatedUnit.h"
#include "pages/PageServices.h"
#include "pages/f_Debug.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_flags.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
#include "queue/Protocol.h"

namespace {

constexpr TFontStyles fsMarked = fsBold | fsUnderline;

class Connected : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Rig.Connect(Sim.SlavePath()));
        Sim.Unit().SetReplyDelay(60000);
        F.Link().SetMode(rqIdle);
    }
    void TearDown() override { F.tbtnDisconnectClick(F.tbtnDisconnect); }

    std::uint8_t Mode() const { return F.Link().Mode(); }
    // A page as a read left it: both flags set, a value in the given edit.
    static void AsRead(TParamPage* page, TEdit* edit) {
        page->FWasRead = true;
        page->FWasWritten = true;
        edit->SetText("7");
        edit->SetFontStyle(fsMarked);
    }
    static bool Flagged(const TParamPage* page) { return page->FWasRead && page->FWasWritten; }

    TSimulator Sim;
    TMainWindowRig Rig;
    TForm1& F = *Rig.Form;
    // Message boxes are answered and kept; the rig answers the other windows.
    TModalAnswer Answers{[](QWidget*) {}};
};

} // namespace

TEST_F(Connected, ReadClearsThePageInFrontAndWriteResetsItsMarks) {
    Rig.SelectPage(3);
    AsRead(F.formGPRS, F.formGPRS->etIp);
    AsRead(F.formCommon, F.formCommon->etObjNum);
    F.formGPRS->lbetIp->SetFontColor(clRed);
    F.SetWriteState(2);

    F.tbtnRead->Click();
    EXPECT_EQ(Mode(), rqReadPage);
    EXPECT_FALSE(F.formGPRS->FWasRead);
    EXPECT_FALSE(F.formGPRS->FWasWritten);
    EXPECT_EQ(F.formGPRS->etIp->Text(), "");
    EXPECT_EQ(F.formGPRS->lbetIp->FontColor(), clWindowText);
    EXPECT_EQ(F.WriteState(), 0);
    EXPECT_TRUE(Flagged(F.formCommon)); // another page is not touched
    EXPECT_EQ(F.formCommon->etObjNum->Text(), "7");

    Rig.SelectPage(1);
    F.SetWriteState(1);
    F.tbtnWrite->Click();
    EXPECT_EQ(Mode(), rqWritePage);
    EXPECT_FALSE(F.formCommon->FWasRead);
    EXPECT_FALSE(F.formCommon->FWasWritten);
    EXPECT_EQ(F.formCommon->etObjNum->Text(), "7"); // values stay, marks go
    EXPECT_EQ(F.formCommon->etObjNum->FontStyle(), 0u);
    EXPECT_EQ(F.WriteState(), 0);
}

TEST_F(Connected, ReadWithTheConsoleInFrontKeepsWhatWasTyped) {
    Rig.SelectPage(5);
    F.form_Debug->EditN(1)->SetText("+v");
    F.form_Debug->EditN(2)->SetText("0050");
    // A read of the console exchanges nothing and is done at once: keep the
    // link thread busy with another request (the unit answers late), so the
    // read the window hands over stays pending while the test looks.
    Sim.Unit().ClearCommands();
    F.Link().SetMode(rqGPSRestart);
    ASSERT_TRUE(Sim.Unit().WaitForCommands(1, 10000));
    F.tbtnRead->Click();
    // The console has nothing to read, so the woken link thread may already
    // be done with the request.
    EXPECT_TRUE(Mode() == rqReadPage || Mode() == rqIdle) << int(Mode());
    EXPECT_EQ(F.form_Debug->EditN(1)->Text(), "+v");
    EXPECT_EQ(F.form_Debug->EditN(2)->Text(), "0050");
}

TEST_F(Connected, AShortEngineeringNumberStopsTheWriteWithNothingTouched) {
    Rig.SelectPage(6);
    TformPhones* phones = F.formPhones;
    phones->cbPhonesOff->SetChecked(false);
    AsRead(phones, phones->etPhone1);
    phones->etPhone1->SetText("9000000000");
    phones->etPhone3->SetText("12345");
    F.tbtnWrite->Click();
    EXPECT_EQ(Answers.Messages, std::vector<std::string>{"ОШИБКА! Недостаточно цифр в номере!"});
    EXPECT_EQ(Mode(), rqIdle);
    EXPECT_TRUE(Flagged(phones));
    EXPECT_EQ(phones->etPhone1->FontStyle(), fsMarked);

    // Empty, ten digits, or the numbers switched off: the write goes ahead.
    const std::function<void()> fine[] = {
        [&] { phones->etPhone3->SetText(""); },
        [&] { phones->etPhone3->SetText("9000000000"); },
        [&] {
            phones->etPhone3->SetText("12345");
            phones->cbPhonesOff->SetChecked(true);
        },
    };
    for (const auto& prepare : fine) {
        prepare();
        F.Link().SetMode(rqIdle);
        Answers.Messages.clear();
        F.tbtnWrite->Click();
        EXPECT_TRUE(Answers.Messages.empty());
        EXPECT_EQ(Mode(), rqWritePage);
        EXPECT_FALSE(Flagged(phones));
    }
}

TEST_F(Connected, ReadAllAndWriteAllCoverThePagesOfTheGeneration) {
    struct TPage {
        TParamPage* Page;
        TEdit* Field;
    };
    TformInOut* inout = F.formInOut;
    const TPage always[] = {{F.formCommon, F.formCommon->etObjNum},
                            {F.formGPRS, F.formGPRS->etIp},
                            {inout, inout->Edit1}};
    const TPage gen0[] = {{F.formPhones, F.formPhones->etPhone1}};
    auto prepare = [&] {
        for (const TPage& p : always)
            AsRead(p.Page, p.Field);
        for (const TPage& p : gen0)
            AsRead(p.Page, p.Field);
        F.formPhones->cbPhonesOff->SetChecked(true); // a read clears it
        F.formGPS->FWasRead = true;
        F.formAcc->FWasRead = true;
    };

    struct TCase {
        int Generation;
        bool Gps, Phones, Battery;
    };
    for (const TCase& c : {TCase{1, false, false, false}, TCase{2, false, false, true},
                           TCase{0, true, true, true}}) {
        F.SetGeneration(c.Generation);
        prepare();
        F.Link().SetMode(rqIdle);
        F.tbtnReadAll->Click();
        EXPECT_EQ(Mode(), rqReadAll);
        EXPECT_TRUE(Answers.Messages.empty());
        for (const TPage& p : always) {
            EXPECT_FALSE(p.Page->FWasRead) << p.Page->Name() << " gen " << c.Generation;
            EXPECT_EQ(p.Field->Text(), "") << p.Page->Name();
        }
        EXPECT_EQ(!F.formGPS->FWasRead, c.Gps) << c.Generation;
        EXPECT_EQ(!F.formPhones->FWasRead, c.Phones) << c.Generation;
        EXPECT_EQ(F.formPhones->etPhone1->Text().empty(), c.Phones) << c.Generation;
        EXPECT_EQ(!F.formAcc->FWasRead, c.Battery) << c.Generation;

        prepare();
        F.Link().SetMode(rqIdle);
        F.tbtnWriteAll->Click();
        EXPECT_EQ(Mode(), rqWriteAll);
        for (const TPage& p : always) {
            EXPECT_FALSE(p.Page->FWasWritten) << p.Page->Name();
            EXPECT_EQ(p.Field->Text(), "7");
            EXPECT_EQ(p.Field->FontStyle(), 0u);
        }
        EXPECT_EQ(!F.formPhones->FWasRead, c.Phones) << c.Generation;
        EXPECT_EQ(F.formPhones->etPhone1->FontStyle() == 0u, c.Phones) << c.Generation;
        EXPECT_EQ(!F.formGPS->FWasRead, c.Gps) << c.Generation;
        EXPECT_EQ(!F.formAcc->FWasRead, c.Battery) << c.Generation;
    }

    // Generation 0 checks the engineering numbers first; 1 does not.
    prepare();
    F.formPhones->cbPhonesOff->SetChecked(false);
    F.formPhones->etPhone2->SetText("123");
    F.Link().SetMode(rqIdle);
    F.tbtnWriteAll->Click();
    EXPECT_EQ(Answers.Messages, std::vector<std::string>{"ОШИБКА! Недостаточно цифр в номере!"});
    EXPECT_EQ(Mode(), rqIdle);
    EXPECT_TRUE(Flagged(F.formCommon));
    EXPECT_EQ(F.formCommon->etObjNum->FontStyle(), fsMarked);
    F.SetGeneration(1);
    F.tbtnWriteAll->Click();
    EXPECT_EQ(Mode(), rqWriteAll);
}

TEST_F(Connected, PagesHandTheirRequestsToTheLinkThread) {
    EXPECT_TRUE(F.formGPS->Services().Post(rqGPSRestart));
    EXPECT_EQ(Mode(), rqGPSRestart);
    F.tbtnDisconnectClick(F.tbtnDisconnect);
    EXPECT_FALSE(F.formGPS->Services().Post(rqGPSRestart));
}

// The commands' keys, pressed in the window as the operator does; the menus
// and the tool buttons' tooltips name them.
TEST(Keys, TheKeysRunTheCommandsTheMenusAndTooltipsName) {
    TSimulator sim;
    TMainWindowRig rig;
    TForm1& F = *rig.Form;
    rig.Show(); // the connection dialog that greets the operator is cancelled
    ASSERT_TRUE(rig.Connect(sim.SlavePath()));
    sim.Unit().SetReplyDelay(60000); // a request stays pending while the test looks
    TModalAnswer answers;            // what a cut-short walk may report
    // A key reaches the window's shortcuts only while it is the active
    // window; a message box of a cut-short request (answered above) may
    // have taken that from it.
    auto key = [&](Qt::Key k, Qt::KeyboardModifiers mods) {
        F.activateWindow();
        EXPECT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == &F; }, 5000));
        QTest::keyClick(F.tv1, k, mods);
    };
    auto press = [&](Qt::Key k, Qt::KeyboardModifiers mods, std::uint8_t expected) {
        F.Link().SetMode(rqIdle);
        key(k, mods);
        return WaitUntil([&] { return F.Link().Mode() == expected; }, 5000);
    };
    for (TMenuItem* item : {F.mnuRead, F.mnuWrite, F.mnuReadAll, F.mnuWriteAll})
        EXPECT_TRUE(item->Enabled()) << item->Name();
    EXPECT_TRUE(press(Qt::Key_R, Qt::ControlModifier, rqReadPage));
    F.N2Click(nullptr); // the read cleared the values it was to bring
    EXPECT_TRUE(press(Qt::Key_W, Qt::ControlModifier, rqWritePage));
    EXPECT_TRUE(press(Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier, rqReadAll));
    F.N2Click(nullptr);
    EXPECT_TRUE(press(Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier, rqWriteAll));

    int asked = 0;
    F.ChooseSettingsFile = [&](const TFileDialogSetup&) {
        ++asked;
        return std::optional<std::string>();
    };
    key(Qt::Key_S, Qt::ControlModifier);
    key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(asked, 2);
    key(Qt::Key_M, Qt::ControlModifier);
    EXPECT_TRUE(F.Panel1->Visible());
    key(Qt::Key_D, Qt::ControlModifier);
    EXPECT_FALSE(F.Link().Exists());
    EXPECT_TRUE(F.tbtnConnect->Enabled());

    // The unit's commands have menu items of their own, which hold the keys
    // and follow the connection; a set is saved and loaded from "Файл" too.
    const std::pair<TMenuItem*, QKeySequence> items[] = {
        {F.mnuRead, QKeySequence(Qt::CTRL | Qt::Key_R)},
        {F.mnuWrite, QKeySequence(Qt::CTRL | Qt::Key_W)},
        {F.mnuReadAll, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)},
        {F.mnuWriteAll, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W)}};
    for (const auto& [item, shortcut] : items) {
        EXPECT_TRUE(F.mnuUnit->actions().contains(item)) << item->Name();
        EXPECT_EQ(item->shortcut(), shortcut) << item->Name();
        EXPECT_FALSE(item->Enabled()) << item->Name();
    }
    EXPECT_EQ(F.mnuUnit->title(), "&Блок");
    for (QMenu* menu : {F.mnuFile, F.mnuProperties})
        for (TMenuItem* item : {F.mnuSave, F.mnuLoad})
            EXPECT_TRUE(menu->actions().contains(item)) << item->Name();
    EXPECT_EQ(F.mnuFile->actions().back(), F.mnuExit);
    EXPECT_EQ(F.tbtnRead->ToolTipText(), "Прочитать (Ctrl+R)");
    EXPECT_EQ(F.tbtnWriteAll->ToolTipText(), "Записать всё (Ctrl+Shift+W)");
    EXPECT_EQ(F.tbtnConnect->ToolTipText(), "Подключиться (Ctrl+N)");
    EXPECT_EQ(F.mnuConnect->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_EQ(F.mnuSave->Caption(), "Сохранить") << "the mnemonic mark is not part of it";
}

// A write with nothing known is refused at once, saying what to do first;
// the operator's disconnect leaves nothing of the unit on the screen.
TEST_F(Connected, NothingKnownIsNotWrittenAndNothingOfTheUnitLingers) {
    const std::string first = "Значения параметров неизвестны: их нет ни из блока, ни из набора, "
                              "ни от оператора. Сначала прочитайте параметры из блока или "
                              "загрузите набор.";
    F.tbtnWriteAll->Click();
    Rig.SelectPage(1);
    F.tbtnWrite->Click();
    EXPECT_EQ(Answers.Messages, std::vector<std::string>(2, first));
    EXPECT_EQ(Mode(), rqIdle);
    F.formCommon->etObjNum->SetText("0042"); // the operator gives one
    F.tbtnWrite->Click();
    EXPECT_EQ(Mode(), rqWritePage);

    F.formCommon->lbetLat->SetFontColor(clRed);
    F.formAcc->pPowerState->SetCaption("Основное");
    F.formFlags->ShapeN(4)->SetBrushColor(clLime);
    F.SetWriteState(2);
    F.tbtnDisconnectClick(F.tbtnDisconnect);
    EXPECT_EQ(F.formCommon->lbetLat->FontColor(), clWindowText);
    EXPECT_EQ(F.formAcc->pPowerState->Caption(), "");
    EXPECT_EQ(F.formFlags->ShapeN(4)->BrushColor(), clWhite);
    EXPECT_EQ(F.WriteState(), 0);
    for (int panel : {0, 2})
        EXPECT_EQ(F.StatusBar1->Panel(panel)->Text(), "") << panel;
    EXPECT_EQ(F.formCommon->etObjNum->Text(), "0042") << "the values stay for the next unit";
}
