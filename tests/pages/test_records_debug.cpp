#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include "PageTestSupport.h"
#include "pages/PageOps.h"
#include "pages/f_Debug.h"
#include "pages/f_Records.h"
#include "queue/Protocol.h"

namespace {
// Collects what the application's error box would show.
class TErrorBox {
public:
    void Watch(TForm& Page) {
        Page.SetExceptionHandler([this](const std::string& m) { Messages.push_back(m); });
    }
    std::vector<std::string> Messages;
};
} // namespace

TEST(RecordsPage, FieldsShowTheirValueInHexadecimal) {
    TErrorBox errors;
    TformRecords page;
    errors.Watch(page);
    EXPECT_EQ(page.etAddr->Text(), "0000");
    EXPECT_EQ(page.Label3->Caption(), "0x0");
    EXPECT_EQ(page.Label5->Caption(), "0x0");
    EXPECT_EQ(page.Label6->Caption(), "0x0");

    page.etAddr->selectAll();
    TypeText(page.etAddr, "255");
    EXPECT_EQ(page.Label3->Caption(), "00FF");
    page.etPointer->SetText("0");
    EXPECT_EQ(page.Label5->Caption(), "0000");
    page.etAddPointer->SetText("70000");
    EXPECT_EQ(page.Label6->Caption(), "11170");
    // Emptying a field leaves the display as it was.
    page.etPointer->SetText("");
    EXPECT_EQ(page.Label5->Caption(), "0000");
    EXPECT_TRUE(errors.Messages.empty());

    // A pasted non-number is reported; the display keeps its text.
    page.etAddPointer->selectAll();
    QGuiApplication::clipboard()->setText("1x");
    page.etAddPointer->paste();
    ASSERT_EQ(errors.Messages.size(), 1u);
    EXPECT_NE(errors.Messages[0].find("ОШИБКА"), std::string::npos);
    EXPECT_NE(errors.Messages[0].find("\"1x\""), std::string::npos);
    EXPECT_EQ(page.Label6->Caption(), "11170");

    // Typing is limited to five digits; the record field to 32 hex digits.
    page.etAddr->selectAll();
    TypeText(page.etAddr, "1234567");
    EXPECT_EQ(page.etAddr->Text(), "12345");
    EXPECT_EQ(page.etRecord->Text(), "12345678901234567890123456789012");
    page.etRecord->selectAll();
    TypeText(page.etRecord, "aFg+09Ax");
    EXPECT_EQ(page.etRecord->Text(), "aF09A");
    TypeText(page.etRecord, QString(40, 'b'));
    EXPECT_EQ(page.etRecord->Text().size(), 32u);
}

TEST(RecordFieldValue, DecimalDigitsOnly) {
    EXPECT_EQ(RecordFieldValue("0000", "Адрес записи"), 0);
    EXPECT_EQ(RecordFieldValue("65535", "Адрес записи"), 65535);
    EXPECT_EQ(RecordFieldValue("2147483647", "Адрес записи"), 2147483647);
    for (const char* bad :
         {"", " 1", "-1", "+1", "$10", "1e3", "2147483648", "99999999999999999999"})
        EXPECT_THROW(RecordFieldValue(bad, "Адрес записи"), EConvertError) << bad;
    try {
        RecordFieldValue("", "Указатель записи");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_NE(std::string(e.what()).find("Указатель записи"), std::string::npos);
    }
}

TEST(RecordsPage, NextBlockAdvancesTheAddressThenAsksForTheBlock) {
    TFakeLink link;
    link.Exists = true;
    TformRecords page;
    link.Serve(page);
    page.seNum->SetValue(16);
    page.Memo1->AppendLine("0000>old");
    std::string addressSeen;
    link.OnPost = [&](std::uint8_t) { addressSeen = page.etAddr->Text(); };
    page.Button1->UserClick();
    EXPECT_EQ(page.etAddr->Text(), "16");
    EXPECT_EQ(page.Label3->Caption(), "0010");
    EXPECT_EQ(page.Memo1->LineCount(), 0);
    EXPECT_EQ(link.Posted, (std::vector<std::uint8_t>{rqReadBlock}));
    EXPECT_EQ(addressSeen, "16");

    // Beyond five digits: the length limit is for typing only.
    page.etAddr->SetText("99999");
    page.seNum->SetValue(66000);
    page.Button1->UserClick();
    EXPECT_EQ(page.etAddr->Text(), "165999");
}

TEST(RecordsPage, NextBlockWithoutANumberReportsItAndPostsNothing) {
    TFakeLink link;
    link.Exists = true;
    TErrorBox errors;
    TformRecords page;
    errors.Watch(page);
    link.Serve(page);
    page.etAddr->SetText("");
    page.Memo1->AppendLine("kept");
    page.Button1->UserClick();
    ASSERT_EQ(errors.Messages.size(), 1u);
    EXPECT_NE(errors.Messages[0].find("Адрес записи"), std::string::npos);
    EXPECT_TRUE(link.Posted.empty());
    EXPECT_EQ(page.etAddr->Text(), "");
    EXPECT_EQ(page.Memo1->LineCount(), 1);
    // Pressed from code, the failure reaches the caller.
    EXPECT_THROW(page.Button1->Click(), EConvertError);
}

TEST(RecordsPage, EveryButtonPostsItsRequestOnlyWithALinkThread) {
    TFakeLink link;
    TformRecords page;
    link.Serve(page);
    const std::pair<TButton*, std::uint8_t> buttons[] = {
        {page.Button7, rqReadRecordAt},   {page.Button3, rqReadNextRecord},
        {page.Button4, rqReadBlock},      {page.Button8, rqWriteRecord},
        {page.Button5, rqReadPointer},    {page.Button6, rqWritePointer},
        {page.Button9, rqReadAddPointer}, {page.Button10, rqWriteAddPointer},
        {page.btnErase, rqErase},
    };
    page.Memo1->AppendLine("x");
    for (const auto& [button, code] : buttons)
        button->UserClick();
    EXPECT_TRUE(link.Posted.empty());
    EXPECT_EQ(page.Memo1->LineCount(), 0); // "Читать блок" clears the pane regardless

    link.Exists = true;
    std::vector<std::uint8_t> expected;
    for (const auto& [button, code] : buttons) {
        button->UserClick();
        expected.push_back(code);
    }
    EXPECT_EQ(link.Posted, expected);

    page.Memo1->AppendLine("y");
    page.Button2->UserClick();
    EXPECT_EQ(page.Memo1->LineCount(), 0);
    EXPECT_EQ(link.Posted.size(), expected.size());
}

TEST(DebugConsole, RowsAreFoundThroughTheButtonNames) {
    TFakeLink link;
    Tform_Debug page;
    link.Serve(page);
    for (int n = 1; n <= 30; ++n) {
        EXPECT_EQ(page.FindComponent("Edit" + std::to_string(n)), page.EditN(n));
        EXPECT_EQ(page.ButtonN(n)->Caption(), n % 2 ? "Прочитать" : "Записать");
    }
    // Without a link thread nothing happens, not even to FRow.
    page.ButtonN(18)->UserClick();
    EXPECT_EQ(page.FRow, 0);
    EXPECT_TRUE(link.Posted.empty());

    link.Exists = true;
    int rowSeen = -1;
    link.OnPost = [&](std::uint8_t) { rowSeen = page.FRow; };
    page.ButtonN(18)->UserClick(); // "Записать" of row 9
    EXPECT_EQ(rowSeen, 17);
    EXPECT_EQ(page.EditN(page.FRow)->Name(), "Edit17");
    EXPECT_EQ(page.EditN(page.FRow + 1)->Name(), "Edit18");
    page.ButtonN(1)->UserClick(); // "Прочитать" of row 1
    EXPECT_EQ(page.FRow, 1);
    page.ButtonN(29)->UserClick();
    EXPECT_EQ(page.FRow, 29);
    EXPECT_EQ(link.Posted, (std::vector<std::uint8_t>{rqDebugWrite, rqDebugRead, rqDebugRead}));

    // A sender that is not a button does nothing.
    page.Button1Click(page.EditN(3));
    page.Button2Click(nullptr);
    EXPECT_EQ(page.FRow, 29);
    EXPECT_EQ(link.Posted.size(), 3u);
}

TEST(DebugConsole, ButtonNumbers) {
    EXPECT_EQ(ButtonNumber("Button1"), 1);
    EXPECT_EQ(ButtonNumber("Button30"), 30);
    EXPECT_EQ(ButtonNumber("Button"), std::nullopt);
    EXPECT_EQ(ButtonNumber("btnErase"), std::nullopt);
    EXPECT_EQ(ButtonNumber("Button1a"), std::nullopt);
    EXPECT_EQ(ButtonNumber("Button99999999999"), std::nullopt);
}
