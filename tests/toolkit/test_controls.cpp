#include <gtest/gtest.h>

#include <QImage>
#include <QVBoxLayout>

#include "WidgetEvents.h"
#include "toolkit/Controls.h"

TEST(CheckBox, MouseUpSeesTheToggledStateAndCodeChangesRunOnClick) {
    TForm form(nullptr, "formGPS");
    auto* cb = new TCheckBox(&form, "cbGPSOff");
    cb->resize(40, 20);
    std::vector<bool> seenOnMouseUp;
    int clicks = 0;
    cb->OnMouseUp = [&](QObject*, Qt::MouseButton, QPoint) {
        seenOnMouseUp.push_back(cb->Checked());
    };
    cb->OnClick = [&](QObject*) { ++clicks; };
    ClickMouse(cb, QPoint(8, 10));
    ClickMouse(cb, QPoint(8, 10));
    EXPECT_EQ(seenOnMouseUp, (std::vector<bool>{true, false}));
    cb->SetChecked(true);
    EXPECT_TRUE(cb->Checked());
    EXPECT_EQ(clicks, 3);
    EXPECT_EQ(seenOnMouseUp.size(), 2u); // code changes are no mouse release
}

TEST(RadioButton, SiblingsExcludeEachOtherYetAllCanBeUnchecked) {
    TForm form(nullptr, "formInOut");
    auto* box = new TGroupBox(&form, "GroupBox2");
    auto* other = new TGroupBox(&form, "gbOut");
    auto* r1 = new TRadioButton(&form, "RadioButton1", box);
    auto* r2 = new TRadioButton(&form, "RadioButton2", box);
    auto* r3 = new TRadioButton(&form, "RadioButton3", box);
    auto* elsewhere = new TRadioButton(&form, "Lonely", other);
    for (TRadioButton* r : {r1, r2, r3})
        r->resize(40, 20);

    int r1Clicks = 0;
    r1->OnClick = [&](QObject*) { ++r1Clicks; };
    r1->SetChecked(true);
    elsewhere->SetChecked(true);
    r3->SetChecked(true);
    EXPECT_FALSE(r1->Checked());
    EXPECT_TRUE(r3->Checked());
    EXPECT_EQ(r1Clicks, 1);            // checked once; being unchecked is no click
    EXPECT_TRUE(elsewhere->Checked()); // another parent, another group

    r3->SetChecked(false);
    EXPECT_FALSE(r1->Checked() || r2->Checked() || r3->Checked());

    // A click checks; a click on the checked one leaves it checked.
    bool checkedAtMouseUp = false;
    r2->OnMouseUp = [&](QObject*, Qt::MouseButton, QPoint) { checkedAtMouseUp = r2->Checked(); };
    ClickMouse(r2, QPoint(8, 10));
    EXPECT_TRUE(checkedAtMouseUp);
    ClickMouse(r2, QPoint(8, 10));
    EXPECT_TRUE(r2->Checked());
    ClickMouse(r1, QPoint(8, 10));
    EXPECT_TRUE(r1->Checked());
    EXPECT_FALSE(r2->Checked());
}

TEST(ComboBox, ListChangesNeverChangeTheTextAndSortedListsStaySorted) {
    TForm form(nullptr, "dlgConnect");
    auto* phones = new TComboBox(&form, "Phones");
    phones->SetText("typed");
    for (const char* n : {"5", "4", "3", "2", "1"})
        phones->AddItem(n);
    EXPECT_EQ(phones->ItemIndex(), -1);
    EXPECT_EQ(phones->Text(), "typed");
    phones->SetItemIndex(4);
    EXPECT_EQ(phones->Text(), "1");
    phones->SetText("79001234567");
    phones->DeleteItem(4); // the selected item
    phones->InsertItem(0, "79001234567");
    EXPECT_EQ(phones->Text(), "79001234567");
    EXPECT_EQ(phones->Items(), (std::vector<std::string>{"79001234567", "5", "4", "3", "2"}));
    phones->ClearItems();
    EXPECT_EQ(phones->Text(), "79001234567");
    // Enter does not add the typed text to the list.
    PressKey(phones, Qt::Key_Return, "\r");
    EXPECT_EQ(phones->ItemCount(), 0);

    auto* ports = new TComboBoxEx(&form, "Ports");
    ports->SetSorted(true);
    for (const char* p : {"COM3", "com2", "COM10", "COM1"})
        ports->AddItem(p);
    EXPECT_EQ(ports->Items(), (std::vector<std::string>{"COM1", "COM10", "com2", "COM3"}));
    EXPECT_EQ(ports->IndexOf("COM2"), -1); // exact match only
    EXPECT_NE(dynamic_cast<TCustomComboBox*>(ports), nullptr);
    QObject* asObject = ports;
    EXPECT_EQ(dynamic_cast<TComboBox*>(asObject), nullptr);
}

TEST(ComboBox, DropDownFillsTheListBeforeItOpens) {
    TForm form(nullptr, "dlgConnect");
    auto* box = new TComboBox(&form, "ComPorts");
    form.show();
    int countWhenShown = -1;
    box->OnDropDown = [&](QObject*) {
        box->ClearItems();
        box->AddItem("ttyS0");
        box->AddItem("ttyUSB0");
    };
    box->DropDown();
    countWhenShown = box->view()->model()->rowCount();
    box->hidePopup();
    EXPECT_EQ(countWhenShown, 2);
}

TEST(TreeView, SelectionRunsOnChangeAndCarriesTheStateIndex) {
    TForm form(nullptr, "Form1");
    auto* tv = new TTreeView(&form, "tv1");
    tv->AddNode("Общие установки", 1);
    TTreeNode* gprs = tv->AddNode("GPRS", 3);
    std::vector<int> seen;
    tv->OnChange = [&](QObject*) { seen.push_back(tv->Selected()->StateIndex()); };
    tv->Select(tv->Node(0));
    tv->Select(gprs);
    tv->Select(gprs);
    EXPECT_EQ(seen, (std::vector<int>{1, 3}));
    EXPECT_EQ(tv->Selected()->Text(), "GPRS");
    EXPECT_EQ(tv->NodeCount(), 2);
}

TEST(StringGrid, OwnerDrawGetsEveryCellInItsPlaceAndCellsSurviveResizing) {
    TForm form(nullptr, "formFlags");
    auto* grid = new TStringGrid(&form, "StringGrid1");
    grid->SetRowCount(1);
    grid->SetColCount(9);
    grid->SetCell(0, 0, "GPS");
    grid->SetCell(7, 0, "Вход 4");
    grid->SetCell(9, 0, "out of range");
    EXPECT_EQ(grid->sizeHint(), QSize(9 * 65, 25));
    std::vector<std::pair<int, QRect>> drawn;
    grid->OnDrawCell = [&](QObject*, int col, int row, QPainter&, const QRect& rect) {
        EXPECT_EQ(row, 0);
        drawn.push_back({col, rect});
    };
    grid->resize(grid->sizeHint());
    grid->grab();
    ASSERT_EQ(drawn.size(), 9u);
    EXPECT_EQ(drawn[4].second, QRect(4 * 65, 0, 64, 24));
    grid->SetColCount(10);
    EXPECT_EQ(grid->Cell(7, 0), "Вход 4");
    EXPECT_EQ(grid->Cell(9, 0), "");
}

TEST(StatusBar, PanelsLieSideBySideAndTheOwnerDrawnOneIsLeftToTheCallback) {
    TForm form(nullptr, "Form1");
    auto* bar = new TStatusBar(&form, "StatusBar1");
    bar->AddPanel("COM-порт:", 55, Qt::AlignHCenter);
    bar->AddPanel("Телефон:", 100, Qt::AlignHCenter);
    bar->AddPanel("Версия прошивки:", 100);
    TStatusPanel* eeprom =
        bar->AddPanel("EEPROM", 50, Qt::AlignRight, TStatusPanelStyle::OwnerDraw);
    bar->resize(400, 20);
    EXPECT_EQ(bar->PanelRect(3).left(), 255 + 1);
    QRect drawnAt;
    TStatusPanel* drawnPanel = nullptr;
    bar->OnDrawPanel = [&](QObject*, TStatusPanel* panel, QPainter&, const QRect& rect) {
        drawnPanel = panel;
        drawnAt = rect;
    };
    bar->grab();
    EXPECT_EQ(drawnPanel, eeprom);
    EXPECT_EQ(drawnAt, bar->PanelRect(3));
    bar->Panel(0)->SetText("COM3");
    EXPECT_EQ(bar->Panel(0)->Text(), "COM3");
}

TEST(MenuItem, ChoosingItLeavesTheCheckMarkToTheHandler) {
    TForm form(nullptr, "Form1");
    auto* memo = new TMenuItem(&form, "mnuMemo", "Показать отладочные сообщения");
    memo->SetChecked(false);
    int clicks = 0;
    memo->OnClick = [&](QObject*) {
        ++clicks;
        memo->SetChecked(!memo->Checked());
    };
    memo->trigger();
    EXPECT_TRUE(memo->Checked());
    EXPECT_TRUE(memo->isChecked());
    memo->trigger();
    EXPECT_FALSE(memo->isChecked());
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(form.FindComponent("MNUMEMO"), memo);
}

TEST(Fonts, ColourAndStyleApplyAndWindowTextFollowsThePalette) {
    TForm form(nullptr, "formPhones");
    auto* lb = new TLabel(&form, "lbRule1");
    const QColor normal = lb->palette().color(QPalette::WindowText);
    lb->SetFontColor(clRed);
    EXPECT_EQ(lb->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    const QColor greyed = lb->palette().color(QPalette::Disabled, QPalette::WindowText);
    EXPECT_EQ(greyed, QApplication::palette(lb).color(QPalette::Disabled, QPalette::WindowText));
    lb->SetFontColor(clWindowText);
    EXPECT_EQ(lb->palette().color(QPalette::WindowText), normal);
    EXPECT_EQ(lb->palette().color(QPalette::Disabled, QPalette::WindowText), greyed);
    lb->SetFontStyle(fsBold | fsUnderline);
    EXPECT_TRUE(lb->font().bold() && lb->font().underline());
    lb->SetFontStyle(0);
    EXPECT_FALSE(lb->font().bold() || lb->font().underline());

    // Captions are plain text.
    lb->SetCaption("<b>x</b>");
    EXPECT_EQ(lb->textFormat(), Qt::PlainText);
}

TEST(Shape, CircleIsFilledWithTheBrushColour) {
    TForm form(nullptr, "formFlags");
    auto* lamp = new TShape(&form, "Shape12");
    lamp->SetShape(TShapeType::Circle);
    lamp->resize(25, 24);
    lamp->SetBrushColor(clLime);
    const QImage img = lamp->grab().toImage();
    EXPECT_EQ(QColor(img.pixel(12, 12)), QColor(0, 255, 0));
    EXPECT_NE(QColor(img.pixel(0, 0)), QColor(0, 255, 0)); // outside the circle
    EXPECT_EQ(lamp->BrushColor(), clLime);
}
