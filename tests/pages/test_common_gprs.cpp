#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include "PageTestSupport.h"
#include "pages/PageOps.h"
#include "pages/f_GPRS.h"
#include "pages/f_common.h"

namespace {
// Types over the whole text, as the operator does after selecting it.
void Retype(TEdit* field, const QString& text) {
    field->selectAll();
    TypeText(field, text);
}
} // namespace

TEST(GPRSRetries, TryCountsStopAtTenAndMayStayEmpty) {
    TformGPRS page;
    for (TEdit* field : {page.etGPRSTryes, page.etServerTryes}) {
        Retype(field, "11");
        EXPECT_EQ(field->Text(), "10") << field->Name();
        Retype(field, "7");
        EXPECT_EQ(field->Text(), "7");
        field->selectAll();
        PressKey(field, Qt::Key_Backspace, "\b");
        EXPECT_EQ(field->Text(), "") << field->Name();
        Retype(field, "0");
        EXPECT_EQ(field->Text(), "0");
        // A value the unit or a file gives is shown as it is (the device
        // reports one outside the range); only typing is held to it.
        field->SetText("255");
        EXPECT_EQ(field->Text(), "255");
    }
}

TEST(GPRSRetries, PausesStayWithinThreeTo255Minutes) {
    TformGPRS page;
    for (TEdit* field : {page.etGPRSTimeout, page.etServerTimeout}) {
        field->SetText("45");
        field->selectAll();
        PressKey(field, Qt::Key_Backspace, "\b");
        EXPECT_EQ(field->Text(), "3") << field->Name();
        // A single 1 becomes 3 at once; a digit in front of an existing one makes 13.
        Retype(field, "1");
        EXPECT_EQ(field->Text(), "3");
        field->setCursorPosition(0);
        TypeText(field, "1");
        EXPECT_EQ(field->Text(), "13");
        Retype(field, "999");
        EXPECT_EQ(field->Text(), "255");
        field->SetText("1");
        EXPECT_EQ(field->Text(), "1") << "set by code, not typed";
    }
}

TEST(GPRSRetries, PastedTextThatIsNoNumberStaysAndIsStillMarked) {
    TformGPRS page;
    page.FRefValues.Set("etGPRSTimeout", "3");
    page.etGPRSTimeout->SetText("3");
    page.FWasRead = true;
    page.etGPRSTimeout->selectAll();
    QGuiApplication::clipboard()->setText("x1");
    page.etGPRSTimeout->paste();
    EXPECT_EQ(page.etGPRSTimeout->Text(), "x1");
    EXPECT_TRUE(IsMarked(page.etGPRSTimeout));
}

TEST(GPRSRetries, ClampedValueIsComparedAfterTheClamp) {
    TformGPRS page;
    page.FRefValues.Set("etServerTryes", "10");
    page.etServerTryes->SetText("10");
    page.FWasRead = true;
    Retype(page.etServerTryes, "12");
    EXPECT_EQ(page.etServerTryes->Text(), "10");
    EXPECT_FALSE(IsMarked(page.etServerTryes));
    Retype(page.etServerTryes, "9");
    EXPECT_TRUE(IsMarked(page.etServerTryes));
}

TEST(GPRSPage, ClearingBeforeAReadLeavesNoMadeUpValue) {
    TformGPRS page;
    SetPageDefaults(&page);
    ClearPageValues(&page);
    // The pauses' lower bound applies to typing: an emptied field is not
    // filled with a value nobody gave.
    for (TEdit* field : {page.etGPRSphone, page.etAccessPoint, page.etLoginGPRS, page.etPswdGPRS,
                         page.etIp, page.etPort, page.etPswd, page.etGPRSTryes, page.etServerTryes,
                         page.etGPRSTimeout, page.etServerTimeout})
        EXPECT_EQ(field->Text(), "") << field->Name();
    // Nothing was marked: the flags were down.
    EXPECT_FALSE(IsMarked(page.etGPRSTimeout));
}

TEST(GPRSPage, TextFieldsTakeAnyTextInClear) {
    TformGPRS page;
    for (TEdit* field : {page.etPort, page.etPswdGPRS, page.etPswd, page.etAccessPoint}) {
        TypeText(field, "ab+1.x");
        EXPECT_EQ(field->Text(), "ab+1.x") << field->Name();
        EXPECT_EQ(field->echoMode(), QLineEdit::Normal);
        EXPECT_EQ(field->MaxLength(), 0);
    }
    EXPECT_EQ(page.etGPRSTryes->MaxLength(), 2);
    EXPECT_EQ(page.etGPRSTimeout->MaxLength(), 3);
    TypeText(page.etGPRSTryes, "a");
    EXPECT_EQ(page.etGPRSTryes->Text(), "");
}
