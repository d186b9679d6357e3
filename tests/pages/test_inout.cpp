#include <gtest/gtest.h>

#include "PageTestSupport.h"
#include "pages/HintWindow.h"
#include "pages/PageOps.h"
#include "pages/f_inout.h"
#include "queue/Protocol.h"

namespace {
// The eight event boxes of inputs 1 to 4.
std::vector<TCheckBox*> InputBoxes(const TformInOut& page) {
    std::vector<TCheckBox*> boxes;
    for (int n = 3; n <= 10; ++n)
        boxes.push_back(page.CheckBoxN(n));
    return boxes;
}

// What a read in mode 1 with every flag set leaves behind.
void ReadInModeOne(TformInOut& page) {
    for (int n = 1; n <= 12; ++n) {
        page.CheckBoxN(n)->SetChecked(true);
        page.FRefValues.Set(page.CheckBoxN(n)->Name(), "true");
    }
    page.RadioButton1->SetChecked(true);
    page.FRefValues.Set("RadioButton1", "true");
    page.FRefValues.Set("RadioButton2", "false");
    page.FRefValues.Set("RadioButton3", "false");
    page.FWasRead = true;
}
} // namespace

TEST(InOutPage, DesignLayoutBeforeTheGenerationIsKnown) {
    TformInOut page;
    page.show();
    for (int n = 1; n <= 10; ++n) {
        EXPECT_FALSE(page.EditN(n)->isVisible());
        // The hint window shows the default: no tooltip to lie over it.
        EXPECT_FALSE(page.EditN(n)->ShowHint());
    }
    for (QWidget* w : std::initializer_list<QWidget*>{page.CheckBox1, page.lbcb1, page.RadioButton3,
                                                      page.lbrb3, page.CheckBox2})
        EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(page.lb9->Caption(), "Питание");
    EXPECT_EQ(page.lb10->Caption(), "Питание");
    EXPECT_EQ(page.lb1->Caption(), "Вход 1");
    // With no unit known, the fifth row's boxes are named for both meanings.
    EXPECT_EQ(page.ParamCaption("CheckBox12"), "Питание / Вход 5: срабатывание");
    EXPECT_EQ(page.CheckBox9->Tag(), 27);
    EXPECT_EQ(page.CheckBox11->Tag(), 28);
    EXPECT_EQ(page.CheckBox12->Tag(), 28);
    EXPECT_TRUE(page.RadioButton1->Checked());
    EXPECT_FALSE(page.CheckBox12->ShowHint());
    EXPECT_FALSE(page.CheckBox2->ShowHint());
    EXPECT_FALSE(page.RadioButton1->ShowHint());
}

TEST(InOutPage, ModesTwoAndThreeDisableAndClearTheInputFlagsButNotPower) {
    TformInOut page;
    page.show();
    for (TRadioButton* mode : {page.RadioButton2, page.RadioButton3}) {
        for (int n = 3; n <= 12; ++n)
            page.CheckBoxN(n)->SetChecked(true);
        ClickBox(mode);
        EXPECT_TRUE(mode->Checked());
        EXPECT_FALSE(page.RadioButton1->Checked());
        for (TCheckBox* box : InputBoxes(page)) {
            EXPECT_FALSE(box->Enabled()) << box->Name();
            EXPECT_FALSE(box->Checked()) << box->Name();
        }
        EXPECT_TRUE(page.CheckBox11->Enabled());
        EXPECT_TRUE(page.CheckBox12->Checked());

        ClickBox(page.RadioButton1);
        for (TCheckBox* box : InputBoxes(page)) {
            EXPECT_TRUE(box->Enabled()) << box->Name();
            EXPECT_FALSE(box->Checked()) << box->Name();
        }
    }
    // The texts the device posts after reading the mode.
    page.DisableInputFlags();
    EXPECT_FALSE(page.CheckBox3->Enabled());
    page.EnableInputFlags();
    EXPECT_TRUE(page.CheckBox10->Enabled());
}

TEST(InOutPage, SwitchingModeMarksOnlyTheClickedButton) {
    TformInOut page;
    page.show();
    ReadInModeOne(page);
    ClickBox(page.RadioButton2);
    EXPECT_EQ(page.RadioButton2->Caption(), "!");
    EXPECT_TRUE(IsMarked(page.RadioButton2));
    EXPECT_EQ(page.RadioButton1->Caption(), "");
    EXPECT_FALSE(IsMarked(page.RadioButton1));
    for (TCheckBox* box : InputBoxes(page))
        EXPECT_EQ(box->Caption(), "") << box->Name();

    ClickBox(page.RadioButton1);
    EXPECT_EQ(page.RadioButton1->Caption(), "");
    EXPECT_EQ(page.RadioButton2->Caption(), "!"); // not clicked again: its mark stays

    // Mode 1 again: the cleared box is usable; checked as read, then unchecked.
    ClickBox(page.CheckBox5);
    EXPECT_TRUE(page.CheckBox5->Checked());
    EXPECT_EQ(page.CheckBox5->Caption(), "");
    ClickBox(page.CheckBox5);
    EXPECT_FALSE(page.CheckBox5->Checked());
    EXPECT_EQ(page.CheckBox5->Caption(), "!");
    EXPECT_TRUE(IsMarked(page.CheckBox5));
    ClickBox(page.CheckBox2);
    EXPECT_EQ(page.CheckBox2->Caption(), "!");

    page.FRefValues.Set("Edit4", "312001002");
    page.Edit4->SetText("312001009");
    EXPECT_TRUE(IsMarked(page.Edit4));
}

TEST(InOutPage, GenerationsShapeThePage) {
    TformInOut page;
    page.show();
    // Generation 1: five plain inputs with their codes, one output, no modes.
    page.DisableInputFlags();
    page.ApplyGeneration(false, 41);
    for (int n = 1; n <= 10; ++n)
        EXPECT_TRUE(page.EditN(n)->isVisible());
    for (QWidget* w : std::initializer_list<QWidget*>{page.CheckBox1, page.lbcb1, page.RadioButton1,
                                                      page.RadioButton2, page.RadioButton3,
                                                      page.lbrb1, page.lbrb2, page.lbrb3})
        EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(page.CheckBox2->isVisible());
    EXPECT_EQ(page.lb9->Caption(), "Вход 5");
    EXPECT_EQ(page.lb10->Caption(), "Вход 5");
    EXPECT_EQ(page.CheckBox11->Tag(), 27);
    EXPECT_EQ(page.CheckBox12->Tag(), 27);
    for (int n = 3; n <= 12; ++n)
        EXPECT_TRUE(page.CheckBoxN(n)->Enabled());

    // The fifth row's box now describes the input parameter.
    TFakeLink link({{27, "Входы"}, {28, "Питание"}});
    ShowParameterHint(page.CheckBox11, link.Services);
    EXPECT_EQ(ParamHintWindow()->Form()->lbDisc->Caption(), "Входы");
    HideParameterHint();

    // Generation 2 (and 0 with a recent firmware): the full layout back.
    page.ApplyGeneration(true, 41);
    for (int n = 1; n <= 10; ++n)
        EXPECT_FALSE(page.EditN(n)->isVisible());
    for (QWidget* w :
         std::initializer_list<QWidget*>{page.CheckBox1, page.lbcb1, page.RadioButton3, page.lbrb3})
        EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(page.lb9->Caption(), "Питание");
    EXPECT_EQ(page.CheckBox11->Tag(), 28);
    EXPECT_EQ(page.CheckBox12->Tag(), 28);
    EXPECT_EQ(page.ParamCaption("CheckBox12"), "Питание: срабатывание");
}

TEST(InOutPage, FirmwareUpToRevisionFortyKnowsNoModeThree) {
    for (int revision = 37; revision <= 41; ++revision) {
        TformInOut page;
        page.show();
        page.RadioButton3->SetChecked(true);
        page.ApplyGeneration(true, revision);
        const bool mode3 = revision >= 41;
        EXPECT_EQ(page.RadioButton3->isVisible(), mode3) << revision;
        EXPECT_EQ(page.lbrb3->isVisible(), mode3) << revision;
        EXPECT_EQ(page.RadioButton3->Checked(), mode3) << revision;
        EXPECT_EQ(page.RadioButton2->Checked(), !mode3) << revision;
        EXPECT_TRUE(page.RadioButton2->isVisible());
        // A later unit with a newer firmware brings mode 3 back.
        page.ApplyGeneration(true, 41);
        EXPECT_TRUE(page.RadioButton3->isVisible()) << revision;
    }
}

TEST(InOutPage, OutputsAreSetOnlyWithALinkThreadAndEnterPressesTheButton) {
    TFakeLink link;
    TformInOut page;
    link.Serve(page);
    page.show();
    page.btnSET->UserClick();
    EXPECT_TRUE(link.Posted.empty());
    link.Exists = true;
    page.btnSET->UserClick();
    EXPECT_EQ(link.Posted, (std::vector<std::uint8_t>{rqSetOutputs}));
    PressKey(page.Edit3, Qt::Key_Return, "\r");
    EXPECT_EQ(link.Posted, (std::vector<std::uint8_t>{rqSetOutputs, rqSetOutputs}));
}

TEST(InOutPage, DefaultsSelectModeOneAndFreeTheInputFlags) {
    TformInOut page;
    page.RadioButton3->SetChecked(true);
    page.DisableInputFlags();
    page.Edit6->SetText("1");
    SetPageDefaults(&page);
    EXPECT_TRUE(page.RadioButton1->Checked());
    EXPECT_FALSE(page.RadioButton3->Checked());
    for (TCheckBox* box : InputBoxes(page))
        EXPECT_TRUE(box->Enabled());
    EXPECT_EQ(page.Edit6->Text(), "312001003");
    EXPECT_FALSE(page.CheckBox2->Checked());
}
