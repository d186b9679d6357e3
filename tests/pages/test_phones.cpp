#include <gtest/gtest.h>

#include <QClipboard>
#include <QFocusEvent>
#include <QGuiApplication>

#include "PageTestSupport.h"
#include "pages/PageOps.h"
#include "pages/f_phones.h"

namespace {
void Paste(TEdit* field, const QString& text) {
    field->selectAll();
    QGuiApplication::clipboard()->setText(text);
    field->paste();
}
void Leave(TEdit* field) {
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(field, &out);
}
bool Lit(const TLabel* rule) {
    return FontColorOf(rule) == ToQColor(clRed);
}
} // namespace

TEST(PhoneNumbers, PastedInternationalFormKeepsTheTenNationalDigits) {
    TformPhones page;
    Paste(page.etPhone2, "+79001234567");
    EXPECT_EQ(page.etPhone2->Text(), "9001234567");
    EXPECT_TRUE(Lit(page.lbRule2));
    EXPECT_FALSE(Lit(page.lbRule1));

    // Separators in it go as well; at most ten digits stay.
    Paste(page.etPhone3, "+7 (900) 123-45-67 89");
    EXPECT_EQ(page.etPhone3->Text(), "9001234567");
    Paste(page.etPhone4, "+");
    EXPECT_EQ(page.etPhone4->Text(), "");
}

TEST(PhoneNumbers, NonDigitsGoAtOnceAndAShortNumberLightsRuleOneOnLeaving) {
    TformPhones page;
    Paste(page.etPhone1, "12-34");
    EXPECT_EQ(page.etPhone1->Text(), "1234");
    EXPECT_TRUE(Lit(page.lbRule2));
    Leave(page.etPhone1);
    EXPECT_TRUE(Lit(page.lbRule1));
    EXPECT_FALSE(Lit(page.lbRule2));

    // Rule 2 again: rule 1 stays lit while a short number is left...
    page.cbPhonesOff->SetChecked(false);
    Paste(page.etPhone5, "5a");
    EXPECT_TRUE(Lit(page.lbRule2));
    EXPECT_TRUE(Lit(page.lbRule1));
    // ...and goes out once every number is valid.
    page.etPhone1->SetText("");
    Paste(page.etPhone5, "900-000-00-00");
    EXPECT_EQ(page.etPhone5->Text(), "9000000000");
    EXPECT_FALSE(Lit(page.lbRule1));

    // Empty and complete numbers break no rule.
    page.lbRule1->SetFontColor(clWindowText);
    page.etPhone1->SetText("9000000000");
    Leave(page.etPhone1);
    page.etPhone1->SetText("");
    Leave(page.etPhone1);
    EXPECT_FALSE(Lit(page.lbRule1));

    // Clearing the page puts the lamps out.
    page.HighlightRule(1);
    ClearPageValues(&page);
    EXPECT_FALSE(Lit(page.lbRule1));
}

TEST(PhoneNumbers, TypingTakesTenDigitsAndNothingElse) {
    TformPhones page;
    page.etPhone1->SetEnabled(true);
    TypeText(page.etPhone1, "90a0+-12345678999");
    EXPECT_EQ(page.etPhone1->Text(), "9001234567");
    EXPECT_FALSE(Lit(page.lbRule2));
    // A selected digit may still be typed over.
    page.etPhone1->setSelection(0, 1);
    TypeText(page.etPhone1, "8");
    EXPECT_EQ(page.etPhone1->Text(), "8001234567");

    // A number a read or a loaded set puts in (from code) is no typed text:
    // it stays as given and lights no rule, valid or not.
    for (const char* given : {"9007654321", "+79007654321", "12"}) {
        page.etPhone2->SetText(given);
        EXPECT_EQ(page.etPhone2->Text(), given);
        EXPECT_FALSE(Lit(page.lbRule2)) << given;
        EXPECT_FALSE(Lit(page.lbRule1)) << given;
    }
}

TEST(PhoneNumbers, MarkedAgainstTheReadNumberAfterNormalising) {
    TformPhones page;
    page.FRefValues.Set("etPhone1", "9001234567");
    page.etPhone1->SetText("9001234567");
    page.FWasRead = true;
    Paste(page.etPhone1, "+79001234567");
    EXPECT_FALSE(IsMarked(page.etPhone1));
    Paste(page.etPhone1, "900");
    EXPECT_TRUE(IsMarked(page.etPhone1));
}

TEST(PhoneNumbers, ValidityForTheWriteGuard) {
    TformPhones page;
    EXPECT_TRUE(page.cbPhonesOff->Checked());
    page.etPhone3->SetText("12345");
    EXPECT_TRUE(page.AllNumbersValid()); // numbers off: nothing is checked
    page.cbPhonesOff->SetChecked(false);
    EXPECT_FALSE(page.AllNumbersValid());
    page.etPhone3->SetText("");
    EXPECT_TRUE(page.AllNumbersValid());
    page.etPhone3->SetText("1234567890");
    page.etPhone5->SetText("1");
    EXPECT_FALSE(page.AllNumbersValid());
    page.etPhone5->SetText("  ");
    EXPECT_TRUE(page.AllNumbersValid());
}

TEST(PhoneNumbers, FieldsFollowTheSwitchOffBoxHoweverItChanges) {
    TformPhones page;
    page.show();
    for (int i = 0; i < TformPhones::NumberCount; ++i) {
        EXPECT_FALSE(page.Phone(i)->Enabled());
        EXPECT_EQ(page.Phone(i)->Tag(), 30);
    }
    page.etPhone2->SetText("9000000000");
    ClickBox(page.cbPhonesOff);
    EXPECT_FALSE(page.cbPhonesOff->Checked());
    for (int i = 0; i < TformPhones::NumberCount; ++i)
        EXPECT_TRUE(page.Phone(i)->Enabled());
    ClickBox(page.cbPhonesOff);
    for (int i = 0; i < TformPhones::NumberCount; ++i)
        EXPECT_FALSE(page.Phone(i)->Enabled());
    EXPECT_EQ(page.etPhone2->Text(), "9000000000");
    EXPECT_EQ(page.cbPhonesOff->Caption(), "Отключить инженерные номера");

    // The unit's numbers were read: the box is set from code.
    page.cbPhonesOff->SetChecked(false);
    EXPECT_TRUE(page.etPhone4->Enabled());
    page.cbPhonesOff->SetChecked(true);
    EXPECT_FALSE(page.etPhone4->Enabled());

    page.SetContentVisible(false);
    EXPECT_FALSE(page.GroupBox1->Visible());
    page.SetContentVisible(true);
    EXPECT_TRUE(page.GroupBox1->isVisible());
}
