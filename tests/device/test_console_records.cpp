// The debug console against the simulated unit, and the record memory
// operations, which have no unit command: their arguments, the lines they
// add to the records pane, and fields that hold no number.
#include <gtest/gtest.h>

#include "PagesRig.h"
#include "SimulatedUnit.h"
#include "device/RecordText.h"
#include "toolkit/ExceptionHandler.h"

namespace {

using TLines = std::vector<std::string>;

struct TConsoleCase {
    TSimulator Sim;
    TPagesRig Rig;
    Tform_Debug& Console;
    TformRecords& Records;

    explicit TConsoleCase(double ReplyScale = kRigReplyScale)
        : Console(*Rig.form_Debug), Records(*Rig.formRecords) {
        EXPECT_TRUE(Rig.Connect(Sim, kRigPauseScale, ReplyScale));
    }
    // Presses a console button as the operator does.
    TLines Press(int Button) {
        Sim.Unit().ClearCommands();
        Rig.ClearTaken();
        Console.ButtonN(Button)->Click();
        EXPECT_TRUE(Rig.WaitUntil([&] { return Rig.Mode() == 0; }, 10000));
        Rig.Drain();
        return Sim.Unit().Commands();
    }
    void RunRecords(std::uint8_t Code) {
        Sim.Unit().ClearCommands();
        Rig.ClearTaken();
        EXPECT_TRUE(Rig.Run(Code));
        EXPECT_TRUE(Sim.Unit().Commands().empty()) << "no record command exists";
    }
};

} // namespace

TEST(DeviceConsole, RowsSendWhatWasTyped) {
    TConsoleCase c(kRigShortReplyScale);
    c.Console.EditN(1)->SetText("+v");
    EXPECT_EQ(c.Press(1), TLines{"+v"});
    EXPECT_EQ(c.Console.EditN(2)->Text(), "ORBELIN REV 07.41");

    // Row 9: command field 17, value field 18; Write joins the two.
    c.Console.EditN(17)->SetText("+O");
    c.Console.EditN(18)->SetText("0050");
    EXPECT_EQ(c.Press(18), TLines{"+O0050"});
    EXPECT_EQ(c.Console.EditN(18)->Text(), "0050");
    EXPECT_EQ(c.Sim.Unit().Value("+O"), "0050");
    c.Console.EditN(18)->SetText("");
    EXPECT_EQ(c.Press(18), TLines{"+O"}) << "an empty value sends the command alone";
    EXPECT_EQ(c.Console.EditN(18)->Text(), "0050");

    // Blanks around the command and the value are not sent (the fields keep
    // them), and a blank command sends nothing at all.
    c.Console.EditN(17)->SetText(" +O ");
    c.Console.EditN(18)->SetText(" 0051 ");
    EXPECT_EQ(c.Press(18), TLines{"+O0051"});
    EXPECT_EQ(c.Console.EditN(17)->Text(), " +O ");
    EXPECT_EQ(c.Console.EditN(18)->Text(), "0051");
    c.Console.EditN(19)->SetText(" ");
    c.Console.EditN(20)->SetText("x");
    EXPECT_TRUE(c.Press(19).empty());
    EXPECT_EQ(c.Console.EditN(20)->Text(), "x");
    EXPECT_GE(c.Rig.FindMemo(" # Команда Edit19 пуста"), 0);

    // No answer, or an answer without a value, clears the value field.
    c.Sim.Unit().AddFault({.Kind = TSimFaultKind::NoAnswer, .Command = "+O"});
    c.Press(17);
    EXPECT_EQ(c.Console.EditN(18)->Text(), "");
    c.Console.EditN(18)->SetText("x");
    c.Console.EditN(17)->SetText("+Q");
    c.Press(17);
    EXPECT_EQ(c.Console.EditN(18)->Text(), "");
}

TEST(DeviceConsole, RefusesWhatWouldSplitOrCorruptTheCommand) {
    TConsoleCase c;
    c.Console.EditN(3)->SetText("+O");
    c.Console.EditN(4)->SetText("00\r+c00");
    EXPECT_TRUE(c.Press(4).empty());
    EXPECT_EQ(c.Console.EditN(4)->Text(), "00\r+c00") << "left as typed";
    EXPECT_GE(c.Rig.FindMemo(" # !!! Значение Edit4 не отправлен"), 0);
    c.Console.EditN(3)->SetText("+g中");
    EXPECT_TRUE(c.Press(3).empty());
    EXPECT_GE(c.Rig.FindMemo(" # !!! Команда Edit3 не отправлен"), 0);
    EXPECT_FALSE(c.Rig.LinkEnded());
}

TEST(DeviceRecords, LinesAndArgumentsWithoutAnExchange) {
    TConsoleCase c;
    TformRecords& r = c.Records;
    r.etAddr->SetText("255");
    c.RunRecords(rqReadRecordAt);
    EXPECT_EQ(c.Rig.TextsFor(r.Memo1), TLines{"00FF>"});
    EXPECT_GE(c.Rig.FindMemo(" # Команда устройства для записей не определена"), 0);

    r.etRecord->SetText("ABCD");
    c.RunRecords(rqWriteRecord);
    EXPECT_EQ(c.Rig.TextsFor(r.Memo1), TLines{"00FF>"});
    EXPECT_NE(c.Rig.MemoLines().back().find("00FFABCD"), std::string::npos);

    c.RunRecords(rqReadNextRecord);
    EXPECT_EQ(c.Rig.TextsFor(r.Memo1), TLines{""});

    // The next block starts seNum records further on.
    r.etAddr->SetText("0");
    r.seNum->SetValue(16);
    r.Button1->Click();
    EXPECT_TRUE(c.Rig.WaitUntil([&] { return c.Rig.Mode() == 0; }, 10000));
    c.Rig.Drain();
    EXPECT_EQ(r.etAddr->Text(), "16");
    const TLines memo = c.Rig.MemoLines(true);
    ASSERT_GE(memo.size(), 3u);
    EXPECT_NE(memo[memo.size() - 3].find("аргумент 0010001F"), std::string::npos);
    EXPECT_EQ(memo[memo.size() - 2], "Блок памяти:");
    EXPECT_EQ(memo.back(), "Конец блока памяти:");

    r.etPointer->SetText("77");
    c.RunRecords(rqReadPointer);
    EXPECT_EQ(r.etPointer->Text(), "0") << "no reply reads as 0";
    r.etAddPointer->SetText("4660");
    c.RunRecords(rqWriteAddPointer);
    EXPECT_NE(c.Rig.MemoLines().back().find("аргумент 1234"), std::string::npos);
    c.RunRecords(rqErase);
    EXPECT_TRUE(c.Rig.MemoLines().empty());
}

TEST(DeviceRecords, AFieldWithoutANumberIsReportedAndKeepsTheLink) {
    TConsoleCase c;
    TformRecords& r = c.Records;
    r.etAddr->SetText("");
    for (std::uint8_t code : {rqReadRecordAt, rqReadBlock, rqWriteRecord}) {
        c.RunRecords(code);
        EXPECT_EQ(c.Rig.MemoLines(true), TLines{" # !!! ОШИБКА! Адрес записи не задан."});
        EXPECT_TRUE(c.Rig.TextsFor(r.Memo1).empty());
    }
    // Pasted: the page's own hexadecimal display refuses it already.
    EXPECT_THROW(r.etPointer->SetText("1x"), EConvertError);
    ASSERT_EQ(r.etPointer->Text(), "1x");
    c.RunRecords(rqWritePointer);
    EXPECT_EQ(c.Rig.MemoLines(true),
              TLines{" # !!! ОШИБКА! Указатель записи \"1x\" не является десятичным числом."});
    EXPECT_FALSE(c.Rig.LinkEnded());
    EXPECT_EQ(c.Rig.Mode(), 0);
}

TEST(RecordText, AddressesRangesAndLines) {
    EXPECT_EQ(RecordAddress(255), "00FF");
    EXPECT_EQ(RecordAddress(70000), "11170");
    EXPECT_EQ(BlockRange(16, 16), "0010001F");
    EXPECT_EQ(BlockRange(0, 1), "00000000");
    EXPECT_EQ(BlockRange(5, 0), "00050005") << "a block holds one record at least";
    EXPECT_EQ(RecordLine("00FF", "12AB"), "00FF>12AB");
    EXPECT_EQ(NextRecordLine(""), "");
    EXPECT_EQ(NextRecordLine("+r\r\n0A10>CAFE\r\nOK\r\n"), "0A10>CAFE");
    EXPECT_EQ(NextRecordLine("12>CAFE\r\nOK\r\n"), "12>CAFE");
}

TEST(RecordText, BlockLinesEndAtOKOrWhenTheTextRunsOut) {
    using L = std::vector<std::string>;
    EXPECT_EQ(BlockLines("0010>AA\r\n0011>BB\r\nOK\r\n"), (L{"0010>AA", "0011>BB"}));
    EXPECT_EQ(BlockLines("0010>AA\r\n\r\n  \r\n0011>BB\nok\r\nlater"), (L{"0010>AA", "0011>BB"}))
        << "blank lines skipped, OK in any case";
    EXPECT_EQ(BlockLines("0010>AA\r\n0011>BB"), (L{"0010>AA", "0011>BB"})) << "no OK";
    EXPECT_EQ(BlockLines("0010>AA\r\n"), L{"0010>AA"});
    EXPECT_EQ(BlockLines(""), L{});
    EXPECT_EQ(BlockLines("OK"), L{});
    EXPECT_EQ(BlockLines("\r\nA"), (L{"", "A"})) << "a leading line end is an empty line";
}
