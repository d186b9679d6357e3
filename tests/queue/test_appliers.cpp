#include <gtest/gtest.h>

#include <QTimer>
#include <stdexcept>
#include <string>
#include <vector>

#include "ModalAnswer.h"
#include "queue/Appliers.h"
#include "toolkit/Controls.h"

namespace {

// The main window's side, recorded.
class TRecordingHost : public TApplyHost {
public:
    QObject* MainWindow = nullptr;
    QObject* InputsPage = nullptr;
    bool Logging = false;
    bool LogFails = false;

    std::vector<std::string> Memo;
    std::vector<std::string> Log;
    std::vector<int> Generations;
    int Repaints = 0;
    std::vector<bool> InputFlags;

    void AppendMemoLine(const std::string& text) override { Memo.push_back(text); }
    bool LogEnabled() const override { return Logging; }
    void WriteLogLine(const std::string& text) override {
        if (LogFails)
            throw std::runtime_error("disk full");
        Log.push_back(text);
    }
    bool IsMainWindow(const QObject* c) const override { return c == MainWindow; }
    void SetGeneration(int g) override { Generations.push_back(g); }
    void RepaintStatusBar() override { ++Repaints; }
    bool IsInputsPage(const QObject* c) const override { return c == InputsPage; }
    void SetInputFlagsEnabled(bool on) override { InputFlags.push_back(on); }
};

class Appliers : public ::testing::Test {
protected:
    TOutArray Queue;
    TRecordingHost Host;
    TForm Form{nullptr, "formTest"};

    std::size_t Drain() { return DrainOutArray(Queue, Host); }
};

} // namespace

TEST_F(Appliers, ValueControlsTakeTheirTextByClass) {
    auto* edit = new TEdit(&Form, "etIp");
    auto* spin = new TSpinEdit(&Form, "seACCCheckTime");
    spin->SetMinValue(0);
    spin->SetMaxValue(23);
    auto* free = new TSpinEdit(&Form, "seNum"); // min = max: not limited
    auto* check = new TCheckBox(&Form, "cbGPRS");
    auto* radio = new TRadioButton(&Form, "RadioButton1");
    auto* combo = new TComboBox(&Form, "ComPorts");
    combo->AddItem("COM1");
    combo->AddItem("COM2");
    auto* comboEx = new TComboBoxEx(&Form, "cbxKind");
    comboEx->AddItem("a", QIcon());
    comboEx->AddItem("b", QIcon());
    auto* memo = new TMemo(&Form, "Memo1");

    Queue.PostControlText(edit, "192.0.2.1");
    Queue.PostControlText(spin, "40");
    Queue.PostControlText(free, "$FF");
    Queue.PostControlText(check, "true");
    Queue.PostControlText(radio, "true");
    Queue.PostControlText(combo, "1");
    Queue.PostControlText(comboEx, "1");
    Queue.PostControlText(memo, "first");
    Queue.PostControlText(memo, "second");
    EXPECT_EQ(Drain(), 9u);

    EXPECT_EQ(edit->Text(), "192.0.2.1");
    EXPECT_EQ(spin->Value(), 23); // limited to the range
    EXPECT_EQ(free->Value(), 255);
    EXPECT_TRUE(check->Checked());
    EXPECT_TRUE(radio->Checked());
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(comboEx->ItemIndex(), 1);
    EXPECT_EQ(memo->Lines(), (std::vector<std::string>{"first", "second"}));

    // Only the exact text "true" checks.
    for (const char* notTrue : {"True", "1", "", "TRUE"}) {
        check->SetChecked(true);
        radio->SetChecked(true);
        Queue.PostControlText(check, notTrue);
        Queue.PostControlText(radio, notTrue);
        Drain();
        EXPECT_FALSE(check->Checked()) << notTrue;
        EXPECT_FALSE(radio->Checked()) << notTrue;
    }
}

TEST_F(Appliers, ButtonsAreClickedOrEnabledAndOtherControlsEnabledOrShown) {
    auto* button = new TButton(&Form, "btnSET");
    auto* tool = new TToolButton(&Form, "tbtnDisconnect");
    auto* tree = new TTreeView(&Form, "tv1");
    auto* text = new TStaticText(&Form, "StaticText1");
    int buttonClicks = 0;
    int toolClicks = 0;
    button->OnClick = [&](QObject*) { ++buttonClicks; };
    tool->OnClick = [&](QObject*) { ++toolClicks; };
    button->SetEnabled(false);
    tool->SetEnabled(false);
    text->SetVisible(false);

    // A click does not depend on the enabled state.
    Queue.PostControlText(button, "Click");
    Queue.PostControlText(tool, "Click");
    Queue.PostControlText(tree, "false");
    Queue.PostControlText(text, "Show");
    Drain();
    EXPECT_EQ(buttonClicks, 1);
    EXPECT_EQ(toolClicks, 1);
    EXPECT_FALSE(tree->Enabled());
    EXPECT_FALSE(tree->isEnabled());
    EXPECT_TRUE(text->Visible());

    Queue.PostControlText(button, "true");
    Queue.PostControlText(tool, "true");
    Queue.PostControlText(tree, "true");
    Drain();
    EXPECT_TRUE(button->Enabled());
    EXPECT_TRUE(tool->Enabled());
    EXPECT_TRUE(tree->Enabled());
    EXPECT_EQ(buttonClicks, 1);

    Queue.PostControlText(button, "click"); // not a click: disables
    Drain();
    EXPECT_FALSE(button->Enabled());
    EXPECT_EQ(buttonClicks, 1);
}

TEST_F(Appliers, LabelsPanelsShapesAndProgressBars) {
    auto* lamp = new TLabel(&Form, "lbetIp");
    auto* state = new TLabel(&Form, "lbState");
    auto* panel = new TPanel(&Form, "Panel2");
    auto* shape = new TShape(&Form, "Shape1");
    auto* bar = new TProgressBar(&Form, "ProgressBar1");
    bar->SetRange(0, 100);
    lamp->SetCaption("IP адрес");
    lamp->SetFontColor(clBlue);

    Queue.PostControlText(lamp, "Repaint12345");
    Queue.PostControlText(state, "СОЕДИНЕНИЕ РАЗОРВАНО");
    Queue.PostControlText(panel, "Идёт проверка версии!");
    Queue.PostControlText(shape, "clRed");
    Queue.PostControlText(bar, "40");
    Queue.PostControlText(bar, "Repaint12345");
    Drain();
    EXPECT_EQ(lamp->Caption(), "IP адрес"); // a repaint keeps the caption
    EXPECT_EQ(lamp->FontColor(), clBlue);
    EXPECT_EQ(state->Caption(), "СОЕДИНЕНИЕ РАЗОРВАНО");
    EXPECT_EQ(state->FontColor(), clRed);
    EXPECT_EQ(state->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(panel->Caption(), "Идёт проверка версии!");
    EXPECT_EQ(shape->BrushColor(), clRed);
    EXPECT_EQ(bar->Position(), 40);

    Queue.PostControlText(state, "СОЕДИНЕНИЕ УСТАНОВЛЕНО");
    Queue.PostControlText(lamp, "GPRS");
    Queue.PostControlText(shape, "$00123456");
    Drain();
    EXPECT_EQ(state->FontColor(), clGreen);
    EXPECT_EQ(lamp->Caption(), "GPRS");
    EXPECT_EQ(lamp->FontColor(), clBlue); // another text keeps the colour
    EXPECT_EQ(shape->BrushColor(), 0x00123456u);
}

TEST_F(Appliers, MainWindowTakesTheGenerationOrARepaintAndInputsPageItsMode) {
    TForm mainWindow(nullptr, "Form1");
    TForm inputs(nullptr, "formInOut");
    Host.MainWindow = &mainWindow;
    Host.InputsPage = &inputs;

    Queue.PostControlText(&mainWindow, "Repaint12345");
    Queue.PostControlText(&mainWindow, "2");
    Queue.PostControlText(&mainWindow, "x");
    Queue.PostControlText(&mainWindow, "$1");
    Queue.PostControlText(&inputs, "mode2");
    Queue.PostControlText(&inputs, "mode1");
    Queue.PostControlText(&inputs, "Mode1"); // letter case counts
    Queue.PostControlText(&Form, "2");       // another form: no generation
    Drain();
    EXPECT_EQ(Host.Repaints, 1);
    EXPECT_EQ(Host.Generations, (std::vector<int>{2, 1}));
    EXPECT_EQ(Host.InputFlags, (std::vector<bool>{false, true}));
}

TEST_F(Appliers, ShowBringsAPageToTheFrontOfItsSiblings) {
    QWidget area;
    area.resize(200, 100);
    auto* first = new TForm(nullptr, "formCommon", &area);
    auto* second = new TForm(nullptr, "formGPRS", &area);
    first->setGeometry(area.rect());
    second->setGeometry(area.rect());
    second->SetVisible(false);
    area.show();
    ASSERT_EQ(area.childAt(10, 10), first);

    Queue.PostControlText(second, "Show");
    Queue.PostControlText(first, "true"); // no effect on a form
    Drain();
    EXPECT_TRUE(second->Visible());
    EXPECT_EQ(area.childAt(10, 10), second);
}

TEST_F(Appliers, AFailedElementIsLostAndTheNextOneStillApplied) {
    auto* spin = new TSpinEdit(&Form, "seACCCheckTime");
    auto* edit = new TEdit(&Form, "etPort");
    auto* label = new TLabel(&Form, "lbetPort");
    auto* button = new TButton(&Form, "btnRST");
    spin->SetValue(7);
    label->SetFontColor(clBlue);
    button->OnClick = [](QObject*) { throw std::runtime_error("handler failed"); };

    Queue.PostControlText(spin, "abc");
    Queue.PostControlText(edit, "1");
    Queue.PostControlColor(label, clRed);
    Queue.PostControlText(spin, "1 2");
    Queue.PostControlText(edit, "2");
    Queue.PostControlText(button, "Click");
    Queue.PostControlText(edit, "3");
    Host.LogFails = true;
    Host.Logging = true;
    Queue.PostMemo("not written", true, false);
    Queue.PostControlText(edit, "4");
    EXPECT_EQ(Drain(), 9u);
    EXPECT_EQ(spin->Value(), 7);
    EXPECT_EQ(edit->Text(), "4");
    EXPECT_EQ(label->FontColor(), clRed);
    EXPECT_EQ(Host.Memo, std::vector<std::string>{"not written"}); // the memo got it first
    EXPECT_TRUE(Host.Log.empty());
}

TEST_F(Appliers, ColoursGoToBackgroundsOfValueControlsAndFontsOfLabels) {
    auto* edit = new TEdit(&Form, "etObjNum");
    auto* check = new TCheckBox(&Form, "cbAccTest");
    auto* label = new TLabel(&Form, "lbetObjNum");
    auto* radio = new TRadioButton(&Form, "RadioButton2");
    auto* spin = new TSpinEdit(&Form, "seACCCheckTime");
    auto* panel = new TPanel(&Form, "pPowerState");
    auto* shape = new TShape(&Form, "Shape2");

    Queue.PostControlColor(edit, clRed);
    Queue.PostControlColor(check, clGreen);
    Queue.PostControlColor(label, clWindowText);
    Queue.PostControlColor(radio, 0x00ABCDEF); // no identifier: "$00ABCDEF"
    Queue.PostControlColor(spin, clBlue);
    Queue.PostControlColor(panel, clRed);
    Queue.PostControlColor(shape, clRed);
    label->SetFontColor(clRed);
    Drain();
    EXPECT_EQ(edit->Color(), clRed);
    EXPECT_EQ(check->Color(), clGreen);
    EXPECT_EQ(label->FontColor(), clWindowText);
    EXPECT_EQ(radio->Color(), 0x00ABCDEFu);
    EXPECT_EQ(spin->Color(), clBlue);
    EXPECT_EQ(shape->BrushColor(), clWhite); // a colour element is not a shape's text
}

TEST_F(Appliers, MemoLinesReachTheMemoAndTheLogByTheirFlag) {
    auto* panel = new TStatusBar(&Form, "StatusBar1");
    TStatusPanel* version = panel->AddPanel("Версия прошивки:", 100);

    Queue.PostMemo("log only, logging off", false, false);
    Queue.PostMemo("shown", true, false);
    Queue.PostStatus("REV 07.41", version);
    Drain();
    EXPECT_EQ(Host.Memo, std::vector<std::string>{"shown"});
    EXPECT_TRUE(Host.Log.empty());
    EXPECT_EQ(version->Text(), "REV 07.41");

    Host.Logging = true;
    Queue.PostMemo("<<<<- NO CARRIER", false, false);
    Queue.PostMemo("-> +v", true, false);
    Drain();
    EXPECT_EQ(Host.Memo, (std::vector<std::string>{"shown", "-> +v"}));
    EXPECT_EQ(Host.Log, (std::vector<std::string>{"<<<<- NO CARRIER", "-> +v"}));
}

TEST_F(Appliers, ClickOnAModalDialogsButtonClosesItWithThatResult) {
    TForm dialog(nullptr, "dlgSplash");
    auto* ok = new TButton(&dialog, "Button1");
    ok->SetModalResult(mrOk);
    ok->SetVisible(false);
    int clicks = 0;
    ok->OnClick = [&](QObject*) { ++clicks; };
    auto* panel2 = new TPanel(&dialog, "Panel2");

    Queue.PostControlText(panel2, "СОЕДИНЕНИЕ УСТАНОВЛЕНО");
    Queue.PostControlText(ok, "Click");
    QTimer::singleShot(0, [&] { Drain(); });
    EXPECT_EQ(dialog.ShowModal(), mrOk);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(panel2->Caption(), "СОЕДИНЕНИЕ УСТАНОВЛЕНО");
}

TEST_F(Appliers, AMessageHoldsUpTheDrainUntilItIsClosed) {
    auto* edit = new TEdit(&Form, "etPort");
    TModalAnswer answer;
    std::vector<std::string> editWhileShown;
    answer.OnMessage([&](QMessageBox*) { editWhileShown.push_back(edit->Text()); });

    Queue.PostControlText(edit, "before");
    Queue.PostMsg("Чтение всех параметров завершено!");
    Queue.PostControlText(edit, "after");
    Queue.PostMsg("ВНИМАНИЕ! НЕ ВСЕ ПАРАМЕТРЫ БЫЛИ УСПЕШНО ЗАПИСАНЫ!");
    EXPECT_EQ(Drain(), 4u);
    EXPECT_EQ(answer.Messages, (std::vector<std::string>{"Чтение всех параметров завершено!",
                                                         "ВНИМАНИЕ! НЕ ВСЕ ПАРАМЕТРЫ БЫЛИ "
                                                         "УСПЕШНО ЗАПИСАНЫ!"}));
    EXPECT_EQ(editWhileShown, (std::vector<std::string>{"before", "after"}));
    EXPECT_EQ(edit->Text(), "after");
}

TEST_F(Appliers, ElementsPostedWhileTheDrainRunsAreAppliedByTheSameDrain) {
    auto* first = new TButton(&Form, "Button1");
    auto* edit = new TEdit(&Form, "etIp");
    first->OnClick = [&](QObject*) { Queue.PostControlText(edit, "posted meanwhile"); };
    Queue.PostControlText(first, "Click");
    EXPECT_EQ(Drain(), 2u);
    EXPECT_EQ(edit->Text(), "posted meanwhile");
    EXPECT_EQ(Queue.PeekKind(), 0);
}
