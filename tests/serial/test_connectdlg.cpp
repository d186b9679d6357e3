#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QTimer>

#include "serial/ConnectDlg.h"

namespace {
std::vector<std::string> Names(const TForm& form) {
    std::vector<std::string> names;
    for (TComponentInfo* c : form.Components())
        names.push_back(c->Name());
    return names;
}

void PressKeyOn(QWidget* w, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
}
} // namespace

TEST(ConnectDialog, StartsWithItsControlsCaptionsAndRegistrationTicked) {
    TForm main(nullptr, "Form1");
    TdlgConnect dlg(&main);
    EXPECT_EQ(dlg.Name(), "dlgConnect");
    EXPECT_EQ(dlg.Caption(), "Соединение");
    EXPECT_TRUE(dlg.isWindow());
    EXPECT_FALSE(dlg.Visible());
    EXPECT_EQ(main.FindComponent("dlgConnect"), &dlg);
    EXPECT_EQ(Names(dlg), (std::vector<std::string>{"OKBtn", "CancelBtn", "ComPorts", "Phones",
                                                    "Label1", "Label2", "cbRegWait"}));
    EXPECT_EQ(dlg.OKBtn->Caption(), "OK");
    EXPECT_EQ(dlg.CancelBtn->Caption(), "Отмена");
    EXPECT_EQ(dlg.Label1->Caption(), "Подключиться через");
    EXPECT_EQ(dlg.Label2->Caption(), "Телефон");
    EXPECT_EQ(dlg.cbRegWait->Caption(), "Ждать регистрации в сети GSM?");
    EXPECT_TRUE(dlg.cbRegWait->Checked());
    EXPECT_EQ(dlg.ComPorts->ItemCount(), 0);
    EXPECT_EQ(dlg.Phones->ItemCount(), 0);
    EXPECT_EQ(dlg.DefaultButton(), dlg.OKBtn);
    EXPECT_EQ(dlg.CancelButton(), dlg.CancelBtn);

    // Tab order: OK, Cancel, port box, phone box, check box.
    std::vector<QWidget*> order;
    for (QWidget* w = dlg.OKBtn; order.size() < 5; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus && ComponentInfoOf(w))
            order.push_back(w);
    EXPECT_EQ(order, (std::vector<QWidget*>{dlg.OKBtn, dlg.CancelBtn, dlg.ComPorts, dlg.Phones,
                                            dlg.cbRegWait}));
}

// Opening the list to look must not change the port: the field keeps a port
// typed by hand or remembered until the operator picks another entry.
TEST(ConnectDialog, DroppingThePortListRereadsItAndKeepsThePortUnlessAnEntryIsPicked) {
    TdlgConnect dlg(nullptr);
    std::vector<TPortInfo> ports = {
        {"COM3", ""}, {"COM1", "FTDI FT232R USB UART, № A1"}, {"COM10", ""}};
    int reads = 0;
    dlg.PortSource = [&] {
        ++reads;
        return ports;
    };
    dlg.ComPorts->SetText("COM7");
    EXPECT_EQ(dlg.ComPorts->Text(), "COM7"); // typed by hand, list never opened

    dlg.ComPortsDropDown(dlg.ComPorts);
    EXPECT_EQ(dlg.ComPorts->Items(), (std::vector<std::string>{"COM1", "COM10", "COM3"}));
    EXPECT_EQ(dlg.ComPorts->Text(), "COM7");
    EXPECT_EQ(dlg.ComPorts->ItemIndex(), -1);
    EXPECT_EQ(dlg.ComPorts->ItemNote(0), "FTDI FT232R USB UART, № A1") << "shown beside the name";
    EXPECT_EQ(dlg.ComPorts->ItemNote(1), "");
    dlg.ComPorts->SetText("COM10"); // a listed port is the list's chosen entry
    dlg.ComPortsDropDown(dlg.ComPorts);
    EXPECT_EQ(dlg.ComPorts->ItemIndex(), 1);
    EXPECT_EQ(dlg.ComPorts->Text(), "COM10");
    dlg.ComPorts->SetText(""); // an empty field takes the first port
    dlg.ComPortsDropDown(dlg.ComPorts);
    EXPECT_EQ(dlg.ComPorts->Text(), "COM1");

    // As the operator does it: open the list, close it with Esc; then open
    // it and pick an entry.
    ports = {{"ttyS0", ""}, {"ttyUSB0", ""}};
    dlg.ComPorts->SetText("ttyUSB7");
    dlg.show();
    dlg.ComPorts->DropDown();
    PressKeyOn(dlg.ComPorts->view(), Qt::Key_Escape, "\x1B");
    dlg.ComPorts->hidePopup();
    EXPECT_EQ(reads, 4);
    EXPECT_EQ(dlg.ComPorts->Items(), (std::vector<std::string>{"ttyS0", "ttyUSB0"}));
    EXPECT_EQ(dlg.ComPorts->Text(), "ttyUSB7");
    dlg.ComPorts->DropDown();
    dlg.ComPorts->view()->setCurrentIndex(dlg.ComPorts->model()->index(1, 0));
    PressKeyOn(dlg.ComPorts->view(), Qt::Key_Return, "\r");
    dlg.ComPorts->hidePopup();
    EXPECT_EQ(dlg.ComPorts->Text(), "ttyUSB0");

    ports.clear();
    dlg.ComPortsDropDown(dlg.ComPorts);
    EXPECT_EQ(dlg.ComPorts->ItemCount(), 0);
    EXPECT_EQ(dlg.ComPorts->Text(), "ttyUSB0");
}

TEST(ConnectDialog, PhoneHistoryKeepsFiveNewestFirstWithoutRepeats) {
    TdlgConnect dlg(nullptr);
    auto confirm = [&](const std::string& number) {
        dlg.Phones->SetText(number);
        dlg.OKBtn->Click();
    };
    for (const char* n : {"1111111111", "2222222222", "3333333333", "4444444444", "5555555555"})
        confirm(n);
    confirm("6666666666");
    EXPECT_EQ(dlg.Phones->Items(),
              (std::vector<std::string>{"6666666666", "5555555555", "4444444444", "3333333333",
                                        "2222222222"}));
    EXPECT_EQ(dlg.Phones->Text(), "6666666666");

    confirm("4444444444"); // already there: order unchanged
    confirm("");           // cable connection: nothing recorded
    EXPECT_EQ(dlg.Phones->Items()[0], "6666666666");
    EXPECT_EQ(dlg.Phones->ItemCount(), 5);

    confirm("   "); // blanks are a text like any other
    EXPECT_EQ(dlg.Phones->Items()[0], "   ");
    EXPECT_EQ(dlg.Phones->Text(), "   ");

    // Choosing an old entry, then typing over it, records the new text and
    // leaves the box showing what was typed even when the chosen entry goes.
    dlg.Phones->SetItemIndex(4);
    dlg.Phones->SetText("+79007654321");
    dlg.OKBtn->Click();
    EXPECT_EQ(dlg.Phones->Text(), "+79007654321");
    EXPECT_EQ(dlg.Phones->Items()[0], "+79007654321");
    EXPECT_EQ(dlg.Phones->ItemCount(), 5);
}

TEST(ConnectDialog, AnOverlongLoadedHistoryIsCutBackToFive) {
    TdlgConnect dlg(nullptr);
    for (int i = 1; i <= 8; ++i)
        dlg.Phones->AddItem(std::to_string(i));
    dlg.Phones->SetText("9");
    dlg.OKBtn->Click();
    EXPECT_EQ(dlg.Phones->Items(), (std::vector<std::string>{"9", "1", "2", "3", "4"}));
}

TEST(ConnectDialog, OkRecordsAndReturnsOkWhileCancelLeavesTheHistoryAlone) {
    TdlgConnect dlg(nullptr);
    dlg.PortSource = [] { return std::vector<TPortInfo>{}; };
    dlg.ComPorts->SetText("COM5");
    dlg.Phones->SetText("79001112233");
    QTimer::singleShot(0, &dlg, [&dlg] { PressKeyOn(dlg.Phones, Qt::Key_Escape, "\x1B"); });
    EXPECT_EQ(dlg.ShowModal(), mrCancel);
    EXPECT_EQ(dlg.Phones->ItemCount(), 0);

    QTimer::singleShot(0, &dlg, [&dlg] { PressKeyOn(dlg.Phones, Qt::Key_Return, "\r"); });
    EXPECT_EQ(dlg.ShowModal(), mrOk);
    EXPECT_EQ(dlg.Phones->Items(), (std::vector<std::string>{"79001112233"}));
    EXPECT_EQ(dlg.ComPorts->Text(), "COM5");
    EXPECT_EQ(dlg.Phones->Text(), "79001112233");
    EXPECT_TRUE(dlg.cbRegWait->Checked());
}
