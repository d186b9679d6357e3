#include <gtest/gtest.h>

#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <map>
#include <regex>
#include <thread>

#include "../toolkit/WidgetEvents.h"
#include "MainWindowRig.h"
#include "OperatorWords.h"
#include "app/JournalDlg.h"
#include "app/QtRussian.h"
#include "pages/HintWindow.h"
#include "pages/PageServices.h"
#include "pages/f_Debug.h"
#include "pages/f_GPRS.h"
#include "pages/f_GPS.h"
#include "pages/f_Records.h"
#include "pages/f_accum.h"
#include "pages/f_common.h"
#include "pages/f_flags.h"
#include "pages/f_inout.h"
#include "pages/f_phones.h"
#include "queue/Protocol.h"
#include "toolkit/Cp1251.h"

namespace {

// The nine pages and whether each is the one in front.
std::vector<TForm*> AllPages(const TForm1& f) {
    return {f.formAcc,    f.formGPRS,  f.formInOut,  f.formGPS,   f.formRecords,
            f.formPhones, f.formFlags, f.form_Debug, f.formCommon};
}

void ExpectOnlyPageShown(const TForm1& f, const TForm* shown) {
    for (TForm* page : AllPages(f))
        EXPECT_EQ(page->Visible(), page == shown) << page->Name();
}

void ExpectDisconnected(const TForm1& f) {
    EXPECT_TRUE(f.tbtnConnect->Enabled());
    EXPECT_TRUE(f.mnuConnect->Enabled());
    EXPECT_TRUE(f.tbtnDefault->Enabled());
    for (const TToolButton* b :
         {f.tbtnDisconnect, f.tbtnRead, f.tbtnWrite, f.tbtnReadAll, f.tbtnWriteAll})
        EXPECT_FALSE(b->Enabled()) << b->Name();
    EXPECT_FALSE(f.mnuDisconnect->Enabled());
    EXPECT_FALSE(f.Link().Exists());
}

} // namespace

TEST(MainWindow, StartUpGreetsWithTheDialogOnceAndACancelLeavesItDisconnected) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    EXPECT_EQ(f.Caption(), "Настройка Орбелина v7.119");

    // The tree: eight entries in order, each carrying its page number.
    const std::vector<std::pair<std::string, int>> nodes = {
        {"Общие установки", 1},   {"GPRS", 3},          {"GPS", 9},
        {"Аккумулятор", 2},       {"Входы, выходы", 7}, {"Флаги", 8},
        {"Инженерные номера", 6}, {"Отладка", 5}};
    ASSERT_EQ(f.tv1->NodeCount(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(f.tv1->Node(i)->Text(), nodes[i].first);
        EXPECT_EQ(f.tv1->Node(i)->StateIndex(), nodes[i].second);
    }

    rig.Show();
    EXPECT_EQ(rig.DialogShows, 1);
    f.hide();
    rig.Show(); // a later activation asks nothing
    EXPECT_EQ(rig.DialogShows, 1);

    ExpectDisconnected(f);
    ExpectOnlyPageShown(f, f.formCommon);
    EXPECT_EQ(f.Link().CurrentPage(), f.formCommon);
    EXPECT_EQ(f.tv1->Selected(), f.tv1->Node(0));
    EXPECT_FALSE(f.Panel1->Visible());
    EXPECT_EQ(f.StatusBar1->PanelCount(), 5);
    EXPECT_EQ(f.StatusBar1->Panel(0)->Text(), "COM-порт:");
    EXPECT_EQ(f.StatusBar1->Panel(2)->Text(), "Версия прошивки:");

    // Made as small as it goes, every page still fits its width: it
    // scrolls down, never sideways.
    f.resize(100, 100);
    for (TForm* page : AllPages(f)) {
        page->Show();
        QApplication::processEvents();
        EXPECT_GE(f.width(), 400) << page->Name();
        const auto* settings = dynamic_cast<TSettingsPage*>(page);
        if (settings && settings->ScrollBox1->isVisible()) {
            EXPECT_FALSE(settings->ScrollBox1->horizontalScrollBar()->isVisible()) << page->Name();
        }
    }
}

TEST(MainWindow, TheTreePicksThePageAndDefaultsActOnTheCurrentPageOnly) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    const std::vector<std::pair<int, TForm*>> pages = {
        {1, f.formCommon}, {3, f.formGPRS},  {9, f.formGPS},    {2, f.formAcc},
        {7, f.formInOut},  {8, f.formFlags}, {6, f.formPhones}, {5, f.form_Debug}};
    for (const auto& [number, page] : pages) {
        rig.SelectPage(number);
        ExpectOnlyPageShown(f, page);
        EXPECT_EQ(f.Link().CurrentPage(), page) << number;
        EXPECT_EQ(f.PageByNumber(number), page);
    }
    EXPECT_EQ(f.PageByNumber(4), f.formRecords);
    EXPECT_EQ(f.PageByNumber(10), nullptr);

    // "По умолчанию" on the debug page leaves the common page alone.
    f.formCommon->etObjNum->SetText("1234");
    f.form_Debug->EditN(1)->SetText("+v");
    rig.SelectPage(5);
    f.tbtnDefault->Click();
    EXPECT_EQ(f.formCommon->etObjNum->Text(), "1234");
    EXPECT_EQ(f.form_Debug->EditN(1)->Text(), f.form_Debug->EditN(1)->Hint());
    rig.SelectPage(1);
    f.N1->Click();
    EXPECT_EQ(f.formCommon->etObjNum->Text(), "0050");

    // "По умолчанию все": the six parameter pages, not the tool pages. What
    // it would replace that the unit, a file or the operator gave is asked
    // about first, and kept when the operator declines.
    std::vector<std::string> asked;
    bool replace = false;
    f.ConfirmDefaults = [&](const std::string& question) {
        asked.push_back(question);
        return replace;
    };
    f.form_Debug->EditN(1)->SetText("+v");
    f.formCommon->etObjNum->SetText("1234");
    f.formGPRS->etPort->SetText("1");
    f.formGPS->cbGPSOff->SetChecked(true);
    f.formPhones->etPhone1->SetText("1");
    f.formGPRS->etIp->SetText("10.0.0.1");
    f.formGPRS->NoteGiven(f.formGPRS->etIp, TValueSource::File);
    f.formGPRS->etLoginGPRS->SetText("fleet");
    f.formGPRS->NoteGiven(f.formGPRS->etLoginGPRS, TValueSource::Unit);
    f.formGPRS->etAccessPoint->SetText(f.formGPRS->etAccessPoint->Hint()); // the default already
    f.N2->Click();
    EXPECT_EQ(asked, std::vector<std::string>{"Значения по умолчанию заменят на всех страницах:\n"
                                              "• прочитанные из блока: 1\n"
                                              "• загруженные из файла: 1\n"
                                              "• введённые вручную: 4\nЗаменить?"});
    EXPECT_EQ(f.formCommon->etObjNum->Text(), "1234");
    EXPECT_EQ(f.formGPRS->etIp->Text(), "10.0.0.1");
    replace = true;
    f.N2->Click();
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(f.formGPRS->etIp->Text(), f.formGPRS->etIp->Hint());
    EXPECT_EQ(f.formCommon->etObjNum->Text(), "0050");
    EXPECT_EQ(f.formGPRS->etPort->Text(), f.formGPRS->etPort->Hint());
    EXPECT_EQ(f.formGPS->cbGPSOff->Checked(), f.formGPS->cbGPSOff->Hint() == "true");
    EXPECT_EQ(f.formPhones->etPhone1->Text(), f.formPhones->etPhone1->Hint());
    EXPECT_EQ(f.form_Debug->EditN(1)->Text(), "+v");
    f.N2->Click(); // nothing but defaults left to replace: nothing asked
    EXPECT_EQ(asked.size(), 2u);
}

// A walk over all pages shows each page it reads, and the common page at the
// end; the tree's highlight goes along, but the device keeps its own page.
TEST(MainWindow, APageTheDeviceShowsTakesTheTreesHighlight) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    rig.Show();
    rig.SelectPage(3);
    f.Link().SetCurrentPage(f.formAcc); // as a walk would, on the link thread
    f.OutArray().PostControlText(f.formGPS, "Show");
    rig.Drain();
    ExpectOnlyPageShown(f, f.formGPS);
    EXPECT_EQ(f.tv1->Selected()->StateIndex(), 9);
    EXPECT_EQ(f.Link().CurrentPage(), f.formAcc);
    f.OutArray().PostControlText(f.formCommon, "Show");
    rig.Drain();
    ExpectOnlyPageShown(f, f.formCommon);
    EXPECT_EQ(f.tv1->Selected(), f.tv1->Node(0));
    EXPECT_EQ(f.Link().CurrentPage(), f.formAcc);
    // The operator's own choice still makes the page current.
    rig.SelectPage(8);
    ExpectOnlyPageShown(f, f.formFlags);
    EXPECT_EQ(f.Link().CurrentPage(), f.formFlags);
}

// A hint left open would let its "Прочитать" mark a parameter of a page that
// is no longer the one the read walks.
TEST(MainWindow, AnotherPageInTheTreeClosesTheParameterHint) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    rig.SelectPage(1);
    MoveMouse(f.formCommon->etObjNum, QPoint(3, 3));
    ASSERT_NE(ParamHintWindow(), nullptr);
    EXPECT_EQ(HintControl(), f.formCommon->etObjNum);
    rig.SelectPage(3);
    EXPECT_EQ(ParamHintWindow(), nullptr);
    EXPECT_EQ(HintControl(), nullptr);
}

TEST(MainWindow, TheGenerationShowsAndHidesPageContent) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    struct TRow {
        int Generation;
        bool Phones, Flags, Battery, GPS, FullInOut;
    };
    const TRow table[] = {
        {1, false, false, false, false, false},
        {2, false, true, true, false, true},
        {0, true, true, true, true, true},
    };
    for (const TRow& r : table) {
        f.SetGeneration(r.Generation);
        EXPECT_EQ(f.Generation(), r.Generation);
        EXPECT_EQ(f.formPhones->GroupBox1->Visible(), r.Phones) << r.Generation;
        EXPECT_EQ(f.formFlags->GroupBox1->Visible(), r.Flags) << r.Generation;
        EXPECT_EQ(f.formAcc->GroupBox3->Visible(), r.Battery) << r.Generation;
        EXPECT_EQ(f.formGPS->GroupBox3->Visible(), r.GPS) << r.Generation;
        // A page left empty says that the unit's firmware has no such settings.
        EXPECT_EQ(f.formPhones->EmptyNoteShown(), !r.Phones) << r.Generation;
        EXPECT_EQ(f.formFlags->EmptyNoteShown(), !r.Flags) << r.Generation;
        EXPECT_EQ(f.formAcc->EmptyNoteShown(), !r.Battery) << r.Generation;
        EXPECT_EQ(f.formGPS->EmptyNoteShown(), !r.GPS) << r.Generation;
        EXPECT_FALSE(f.formInOut->EmptyNoteShown()) << r.Generation;
        EXPECT_EQ(f.formInOut->RadioButton1->Visible(), r.FullInOut) << r.Generation;
        EXPECT_EQ(f.formInOut->Edit1->Visible(), !r.FullInOut) << r.Generation;
        // Revision 41 (the fresh device's, and the one generations 1 and 2
        // get) knows mode 3.
        EXPECT_EQ(f.formInOut->RadioButton3->Visible(), r.FullInOut) << r.Generation;
        // The tree greys the entries of the pages left empty.
        const std::map<int, bool> shown = {{6, r.Phones}, {8, r.Flags}, {2, r.Battery}, {9, r.GPS}};
        for (int i = 0; i < f.tv1->NodeCount(); ++i) {
            const TTreeNode* node = f.tv1->Node(i);
            const auto it = shown.find(node->StateIndex());
            EXPECT_EQ(node->Greyed(), it != shown.end() && !it->second)
                << node->Text() << " gen " << r.Generation;
        }
    }
    // A greyed entry still shows its page, which says why it is empty.
    f.SetGeneration(1);
    rig.SelectPage(6);
    ExpectOnlyPageShown(f, f.formPhones);
    EXPECT_TRUE(f.formPhones->EmptyNoteShown());
    EXPECT_EQ(f.tv1->Selected()->toolTip(0).toStdString(),
              "В прошивке этого устройства таких настроек нет.");
    EXPECT_NE(f.tv1->Selected()->foreground(0).color(), f.tv1->Node(0)->foreground(0).color());
    f.SetGeneration(0);

    // Another number is kept and changes nothing else.
    f.SetGeneration(1);
    f.SetGeneration(7);
    EXPECT_EQ(f.Generation(), 7);
    EXPECT_FALSE(f.formPhones->GroupBox1->Visible());
    EXPECT_FALSE(f.formInOut->RadioButton1->Visible());

    // Posted to the main window: a number switches, anything else does not.
    f.OutArray().PostControlText(&f, "2");
    rig.Drain();
    EXPECT_EQ(f.Generation(), 2);
    EXPECT_TRUE(f.formFlags->GroupBox1->Visible());
    f.OutArray().PostControlText(&f, "x");
    f.OutArray().PostControlText(&f, "Repaint12345");
    rig.Drain();
    EXPECT_EQ(f.Generation(), 2);
}

// Nothing polls the queue: what the link thread posts wakes the window,
// which applies it all, in order, while the thread goes on posting (past
// the ring's size, so the overflow list is woken for too).
TEST(MainWindow, WhatTheLinkThreadPostsIsAppliedWithoutBeingAskedFor) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    constexpr int Lines = 1500;
    std::thread link([&f] {
        for (int i = 0; i < Lines; ++i)
            f.OutArray().PostMemo(std::to_string(i), true, false);
        f.OutArray().PostControlText(&f, "2");
    });
    const bool applied = WaitUntil([&f] { return f.Generation() == 2; }, 30000);
    link.join();
    ASSERT_TRUE(applied);
    const std::vector<std::string> lines = f.Memo1->Lines();
    ASSERT_EQ(lines.size(), std::size_t(Lines));
    for (int i = 0; i < Lines; ++i)
        ASSERT_EQ(lines[i], std::to_string(i));
}

TEST(MainWindow, TheEepromIndicatorShowsTheWriteStateWhenTheStatusBarRepaints) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    rig.Show();
    // The tooltip names the state.
    const struct {
        int State;
        TColor Colour;
        const char* Tip;
    } table[] = {{1, clBlue, "EEPROM: параметры сохранены в памяти блока"},
                 {2, clRed, "EEPROM: сохранить параметры в памяти блока не удалось"},
                 {3, clYellow, "EEPROM: сохранено, но не все параметры удалось записать"},
                 {0, clWhite, "EEPROM: сохранения в памяти блока ещё не было"},
                 {9, clWhite, "EEPROM: сохранения в памяти блока ещё не было"}};
    f.SetWriteState(3);
    f.OutArray().PostControlText(&f, "Repaint12345");
    rig.Drain();
    EXPECT_EQ(f.Indicator()->BrushColor(), clYellow);
    EXPECT_EQ(f.Indicator()->geometry(), f.StatusBar1->PanelRect(3));
    EXPECT_EQ(f.Indicator()->parentWidget(), f.StatusBar1);
    for (const auto& row : table) {
        f.SetWriteState(row.State);
        f.OutArray().PostControlText(&f, "Repaint12345");
        rig.Drain();
        EXPECT_EQ(f.Indicator()->BrushColor(), row.Colour) << row.State;
        EXPECT_EQ(f.Indicator()->ToolTipText(), row.Tip) << row.State;
    }
    EXPECT_TRUE(f.Indicator()->ShowHint());
}

TEST(MainWindow, TheMemoAndTheLogTakeTheDebugLines) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    rig.Home.Write("log.txt", "kept\r\n");

    f.mnuMemo->Click();
    EXPECT_TRUE(f.Panel1->Visible());
    EXPECT_TRUE(f.mnuMemo->Checked());

    f.OutArray().PostMemo("memo, logging off", true, false);
    f.OutArray().PostMemo("log only, logging off: lost", false, false);
    rig.Drain();
    EXPECT_EQ(f.Memo1->Lines(), std::vector<std::string>{"memo, logging off"});

    f.mnuLog->Click();
    EXPECT_TRUE(f.mnuLog->Checked());
    EXPECT_TRUE(f.Log().LogEnabled());
    f.OutArray().PostMemo("<<<<- NO CARRIER", false, false);
    f.OutArray().PostMemo("-> +v", true, false);
    rig.Drain();
    // Flushed by the drain: in the file while logging goes on.
    std::string file = Cp1251ToUtf8(rig.Home.Read("log.txt"));
    EXPECT_NE(file.find("<<<<- NO CARRIER\r\n-> +v\r\n"), std::string::npos);

    f.Button1->Click(); // empties the memo, not the file
    EXPECT_EQ(f.Memo1->LineCount(), 0);
    EXPECT_EQ(Cp1251ToUtf8(rig.Home.Read("log.txt")), file);

    f.mnuLog->Click();
    EXPECT_FALSE(f.mnuLog->Checked());
    f.mnuLog->Click(); // a second period
    f.mnuMemo->Click();
    EXPECT_FALSE(f.Panel1->Visible());
    EXPECT_FALSE(f.mnuMemo->Checked());
    rig.Form.reset(); // shut-down closes the running period

    file = Cp1251ToUtf8(rig.Home.Read("log.txt"));
    ASSERT_EQ(file.substr(0, 6), "kept\r\n");
    const auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = file.find(what); at != std::string::npos;
             at = file.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("Начали процесс протоколирования"), 2u);
    EXPECT_EQ(count("Окончили процесс протоколирования"), 2u);
    EXPECT_EQ(count("-> +v\r\n"), 1u);
    EXPECT_TRUE(file.ends_with(std::string(81, '=') + "\r\n"));
    EXPECT_NE(rig.Home.Read("Windows.ini").find("[Form1]"), std::string::npos);
}

TEST(MainWindow, TheMemoPanelComesBackWithTheHeightItWasDraggedTo) {
    TMainWindowRig rig;
    rig.Show();
    TForm1& f = *rig.Form;
    f.mnuMemo->Click();
    ASSERT_TRUE(f.Panel1->isVisible());
    EXPECT_EQ(f.Panel1->height(), 143);
    const int total = f.Splitter1->height();
    f.Splitter1->setSizes({total - 200, 200}); // the operator drags the splitter
    EXPECT_EQ(f.Panel1->height(), 200);
    f.mnuMemo->Click();

    rig.Form.reset(); // the layout is saved at shut-down
    EXPECT_NE(rig.Home.Read("Windows.ini").find("Panel1.Height=200"), std::string::npos);
    rig.Form = std::make_unique<TForm1>(); // the next start
    TForm1& next = *rig.Form;
    rig.Show();
    EXPECT_FALSE(next.Panel1->Visible());
    next.mnuMemo->Click();
    EXPECT_EQ(next.Panel1->height(), 200);
}

TEST(MainWindow, LoggingThatCannotStartLeavesTheMenuUnchecked) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    SetProgramFolderOverride(rig.Home.File("no such folder"));
    f.mnuLog->Click();
    EXPECT_FALSE(f.mnuLog->Checked());
    EXPECT_FALSE(f.Log().LogEnabled());
    SetProgramFolderOverride(rig.Home.Path());
}

TEST(MainWindow, PagesPostRequestsOnlyWhileALinkThreadExistsAndFindDescriptions) {
    TTempDir home;
    home.Write("discription.txt", Utf8ToCp1251Lossy("1,Номер объекта\r\n30,Инженерные номера\r\n"));
    SetProgramFolderOverride(home.Path());
    {
        TForm1 f;
        for (TForm* page : AllPages(f)) {
            const TPageServices& services = static_cast<TSettingsPage*>(page)->Services();
            EXPECT_EQ(services.DescribeParameter(30), "Инженерные номера") << page->Name();
            EXPECT_EQ(services.DescribeParameter(2), "");
            EXPECT_FALSE(services.Post(rqGPSRestart));
        }
    }
    SetProgramFolderOverride("");
}

// Qt's standard buttons and dialogs speak Russian like the rest of the
// window; without the translation they would say "Cancel".
TEST(MainWindow, QtsOwnButtonsAndDialogsAreRussian) {
    ASSERT_TRUE(InstallRussianQtTexts(*QCoreApplication::instance()));
    QMessageBox box(QMessageBox::Information, "", "", QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), "Отмена");
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Files of type:"), "Типы файлов:");
}

// The link's messages, the program's error box and the About box carry the
// window's caption, and the About box's lines follow one another without
// blank lines between them.
TEST(MainWindow, EveryMessageBoxCarriesTheWindowsCaption) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    std::vector<std::string> titles;
    std::string about;
    TModalAnswer answers;
    answers.OnMessage([&](QMessageBox* box) {
        titles.push_back(box->windowTitle().toStdString());
        if (box->text().startsWith(QStr(f.Caption())))
            about = box->text().toStdString();
    });
    f.OutArray().PostMsg("Чтение всех параметров завершено!");
    rig.Drain();
    // A failure on a page reaches the window's box.
    Guarded(f.formRecords, [] { throw EConvertError("'x' is not a valid integer value"); });
    f.mnuAbout->Click();
    // The defaults' question (answered "Заменить") and the legend too.
    f.formCommon->etObjNum->SetText("1234");
    f.N2->Click();
    EXPECT_EQ(f.formCommon->etObjNum->Text(), "0050");
    f.mnuLegend->Click();
    EXPECT_EQ(titles, std::vector<std::string>(5, f.Caption()));
    EXPECT_NE(answers.Messages[3].find("введённые вручную: 1"), std::string::npos);
    EXPECT_EQ(answers.Messages[4], TForm1::LegendText());
    EXPECT_EQ(about.find('\r'), std::string::npos) << about;
    EXPECT_EQ(std::count(about.begin(), about.end(), '\n'), 4) << about;
}

// The journal window, with no unit connected: newest first, the filter by
// object number, port or phone, the newest record of the unit connected a
// click away, one record's parameters, and the records shown as CSV.
TEST(MainWindow, TheJournalFiltersItsRecordsAndShowsOneRecordsParameters) {
    TMainWindowRig rig;
    TForm1& f = *rig.Form;
    const auto write = [](const char* Port, const char* Unit, const char* Apn,
                          TParamOutcome Outcome) {
        TWriteSummary s;
        s.Request = rqWriteAll;
        s.Port = Port;
        s.ObjNum = Unit;
        s.CommitSent = s.Committed = s.Verified = true;
        s.Params = {{"formCommon", "etObjNum", Unit, TParamOutcome::Verified, {}},
                    {"formGPRS", "etAccessPoint", Apn, Outcome,
                     Outcome == TParamOutcome::Differs ? "устройство хранит «old»" : ""}};
        AppendJournal(JournalFile(), JournalRecordOf(s, "window", ""));
    };
    write("/dev/ttyUSB0", "0101", "apn.one", TParamOutcome::Verified);
    write("/dev/ttyUSB1", "0102", "apn;two", TParamOutcome::Differs);
    write("/dev/ttyUSB0", "0101", "apn.three", TParamOutcome::Verified);
    // The unit connected has given its number.
    f.formCommon->FRefValues.Update("etObjNum", [](TParamRecord& r) { r.Unit = "0101"; });

    std::vector<std::vector<std::string>> shownParams; // rows of each parameter view
    bool answered = false;
    TModalAnswer answer([&](QWidget* w) {
        if (auto* view = dynamic_cast<TdlgJournalParams*>(w)) {
            std::vector<std::string> rows;
            for (int r = 0; r < view->tblParams->rowCount(); ++r)
                rows.push_back(view->tblParams->item(r, 1)->text().toStdString() + " = " +
                               view->tblParams->item(r, 2)->text().toStdString() + ", " +
                               view->tblParams->item(r, 3)->text().toStdString());
            shownParams.push_back(rows);
            view->btnClose->Click();
            return;
        }
        auto* dlg = dynamic_cast<TdlgJournal*>(w);
        ASSERT_NE(dlg, nullptr);
        answered = true;
        const auto units = [&] {
            std::string text;
            for (int r = 0; r < dlg->ShownCount(); ++r)
                text += dlg->Shown(r).ObjNum + "@" + dlg->Shown(r).Port + " ";
            return text;
        };
        EXPECT_EQ(units(), "0101@/dev/ttyUSB0 0102@/dev/ttyUSB1 0101@/dev/ttyUSB0 ");
        const auto* model = dlg->tblRecords->model();
        EXPECT_EQ(model->data(model->index(0, 12)), QVariant("проверено"));
        // The time to its seconds fits its column; the port, cut, is whole
        // in its tooltip.
        EXPECT_GE(dlg->tblRecords->columnWidth(0), dlg->tblRecords->fontMetrics().horizontalAdvance(
                                                       model->data(model->index(0, 0)).toString()));
        EXPECT_EQ(model->data(model->index(0, 3), Qt::ToolTipRole), QVariant("/dev/ttyUSB0"));
        dlg->etFilter->SetText("0102");
        EXPECT_EQ(units(), "0102@/dev/ttyUSB1 ");
        dlg->btnParams->Click();
        dlg->ChooseCsvFile = [&](const TFileDialogSetup&) { return rig.Home.File("one.csv"); };
        dlg->btnCsv->Click();
        dlg->etFilter->SetText("ttyusb0");
        EXPECT_EQ(units(), "0101@/dev/ttyUSB0 0101@/dev/ttyUSB0 ");
        EXPECT_EQ(dlg->lbCount->Caption(), "Записей: 2 из 3");
        dlg->ChooseCsvFile = [&](const TFileDialogSetup&) { return rig.Home.File("shown.csv"); };
        dlg->btnCsv->Click();
        dlg->etFilter->SetText("nobody");
        EXPECT_EQ(dlg->ShownCount(), 0);
        EXPECT_FALSE(dlg->btnParams->Enabled());
        ASSERT_TRUE(dlg->btnUnit->Enabled());
        dlg->btnUnit->Click();
        EXPECT_EQ(dlg->etFilter->Text(), "0101");
        dlg->btnClose->Click();
    });
    f.mnuJournal->trigger();
    ASSERT_TRUE(answered);
    ASSERT_EQ(shownParams.size(), 2u);
    EXPECT_EQ(shownParams[0], (std::vector<std::string>{"Номер объекта = 0102, проверен",
                                                        "Точка доступа GPRS = apn;two, отличается: "
                                                        "устройство хранит «old»"}));
    EXPECT_EQ(shownParams[1].at(1), "Точка доступа GPRS = apn.three, проверен")
        << "the newest record of the unit connected";
    // Each export says where it went.
    ASSERT_EQ(answer.Messages.size(), 2u);
    EXPECT_EQ(answer.Messages[1], "Записей: 2, сохранено в файл\n" + rig.Home.File("shown.csv"));
    const std::string csv = rig.Home.Read("shown.csv");
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBFВремя;", 0), 0u) << csv;
    const std::string head = csv.substr(0, csv.find('\n'));
    EXPECT_TRUE(head.ends_with(";Общие установки › Номер объекта;GPRS › Точка доступа GPRS\r"))
        << head;
    EXPECT_EQ(ControlNameIn(head), std::nullopt) << head;
    // A spreadsheet keeps the object number's leading zero.
    EXPECT_LT(csv.find(";\"=\"\"0101\"\"\";apn.three\r\n"),
              csv.find(";\"=\"\"0101\"\"\";apn.one\r\n"))
        << csv;
    EXPECT_EQ(csv.find("0102"), std::string::npos) << "only the records shown";
    EXPECT_NE(rig.Home.Read("one.csv").find(
                  ";\"=\"\"0102\"\"\";\"apn;two (отличается: устройство хранит «old»)\"\r\n"),
              std::string::npos)
        << rig.Home.Read("one.csv");

    // A long journal opens with its newest records; the earlier ones come
    // on request.
    TdlgJournal newest(nullptr, JournalFile(), {}, {}, 2);
    ASSERT_EQ(newest.ShownCount(), 2);
    EXPECT_EQ(newest.Shown(1).ObjNum, "0102");
    EXPECT_EQ(newest.lbCount->Caption(), "Записей: 2; прочитаны последние 2 из 3");
    ASSERT_TRUE(newest.btnMore->Enabled());
    newest.btnMore->Click();
    EXPECT_EQ(newest.ShownCount(), 3);
    EXPECT_EQ(newest.Shown(2).Port, "/dev/ttyUSB0");
    EXPECT_FALSE(newest.btnMore->Enabled());
}

// What a record of the window says of a write as a whole, from its
// parameters, the commit and the link, in the journal's words; a word the
// program does not know is shown and kept as the file has it.
TEST(MainWindow, AJournalRecordsOutcomeIsTheWritesAsAWhole) {
    struct TCase {
        bool Verifying, Committed, LinkLost;
        TParamOutcome Second;
        const char* Outcome;
    } const cases[] = {
        {true, true, false, TParamOutcome::Verified, "verified"},
        {false, true, false, TParamOutcome::Written, "written"},
        {false, true, false, TParamOutcome::Refused, "failed"},   // committed all the same
        {false, true, false, TParamOutcome::NotShown, "written"}, // left to the unit
        {true, false, false, TParamOutcome::Verified, "failed"},  // the commit not confirmed
        {true, false, true, TParamOutcome::Verified, "link lost"},
    };
    for (const TCase& c : cases) {
        TWriteSummary s;
        s.Verified = c.Verifying;
        s.CommitSent = true;
        s.Committed = c.Committed;
        s.LinkLost = c.LinkLost;
        const TParamOutcome first = c.Verifying ? TParamOutcome::Verified : TParamOutcome::Written;
        s.Params = {{"formCommon", "etObjNum", "0101", first, {}},
                    {"formCommon", "etPhone", "+7916", c.Second, {}}};
        const TJournalRecord r = JournalRecordOf(s, "window", "");
        const std::string line = JournalLine(r);
        EXPECT_NE(line.find(std::string("\"outcome\":\"") + c.Outcome + "\""), std::string::npos)
            << OutcomeName(c.Second) << " " << c.Committed << " " << line;
        const auto back = ParseJournalLine(line);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->Outcome, r.Outcome);
        EXPECT_EQ(back->Committed, c.Committed);
        EXPECT_TRUE(back->CommitSent);
    }
    std::string line = JournalLine(JournalRecordOf(TWriteSummary{}, "window", ""));
    line.replace(line.find("\"failed\""), 8, "\"splendid\"");
    const auto later = ParseJournalLine(line);
    ASSERT_TRUE(later.has_value());
    EXPECT_EQ(later->Outcome, TUnitResult::Unknown);
    EXPECT_EQ(OutcomeText(*later), "splendid");
    EXPECT_EQ(JournalLine(*later), line);
    // Each outcome is told apart by its words as the journal and the
    // report (with the exit code) keep them.
    for (int i = 1; i <= static_cast<int>(TUnitResult::Interrupted); ++i) {
        const TUnitResultWords& words = WordsOf(static_cast<TUnitResult>(i));
        EXPECT_EQ(ResultFromReport(words.Report, words.Exit), static_cast<TUnitResult>(i)) << i;
        EXPECT_STREQ(WordsOf(ResultFromJournal(words.Journal)).Journal, words.Journal) << i;
    }
}
