#include <gtest/gtest.h>

#include <regex>

#include "toolkit/DateTimeText.h"
#include "toolkit/JsonLine.h"
#include "toolkit/Platform.h"
#include "toolkit/ProgramFolder.h"
#include "toolkit/TextUtil.h"

TEST(DateTimeText, FixedRussianFormat) {
    TLocalTime t;
    t.Year = 2026, t.Month = 12, t.Day = 7, t.Hour = 9, t.Minute = 5, t.Second = 3;
    EXPECT_EQ(FormatDateTime(t), "07.12.2026 9:05:03");
    t.Hour = 23;
    EXPECT_EQ(FormatDateTime(t), "07.12.2026 23:05:03");
    EXPECT_TRUE(
        std::regex_match(DateTimeText(), std::regex(R"(\d\d\.\d\d\.\d{4} \d{1,2}:\d\d:\d\d)")));
}

TEST(TextUtil, HexDecimalAndCaseHelpers) {
    EXPECT_EQ(IntToHexUpper(230, 4), "00E6");
    EXPECT_EQ(IntToHexUpper(3, 2), "03");
    EXPECT_EQ(IntToHexUpper(0x12345, 4), "12345");
    EXPECT_EQ(IntToHexUpper(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToDecPadded(7, 4), "0007");
    EXPECT_EQ(IntToDecPadded(12345, 4), "12345");
    EXPECT_EQ(TrimBlanks("  a b \r\n"), "a b");
    EXPECT_EQ(FindNoCaseAscii("xxok\r\n", "OK\r\n"), 2u);
    EXPECT_EQ(FindNoCaseAscii("xx", "OK"), std::string::npos);
    EXPECT_TRUE(SameTextAscii("Edit1", "EDIT1"));
    EXPECT_FALSE(SameTextAscii("Edit1", "Edit10"));
    EXPECT_TRUE(AllDigits("0123456789"));
    EXPECT_TRUE(AllDigits(""));
    using namespace std::string_view_literals;
    for (const std::string_view notDigits : {"12a"sv, " 1"sv, "1\0"sv, "\xD9\xA1"sv, "+1"sv})
        EXPECT_FALSE(AllDigits(notDigits)) << notDigits;
}

TEST(ProgramFolder, OverrideEndsWithSeparator) {
    const std::string sep(1, PlatformPathSeparator());
    SetProgramFolderOverride("orb-test");
    EXPECT_EQ(ProgramFolder(), "orb-test" + sep);
    SetProgramFolderOverride("orb-test" + sep);
    EXPECT_EQ(ProgramFolder(), "orb-test" + sep);
    SetProgramFolderOverride("");
    const std::string def = ProgramFolder();
    ASSERT_FALSE(def.empty());
    EXPECT_EQ(def.back(), sep[0]);
}

namespace {
// One JSON value on a line: whether the reader takes it as whole, and what a
// string reads as ("-": not a string). A line cut anywhere is not whole.
struct TJsonCase {
    const char* Name;
    std::string Text;
    bool Whole;
    std::string String = "-";
};

void PrintTo(const TJsonCase& c, std::ostream* out) {
    *out << c.Name;
}

const TJsonCase JsonCases[] = {
    {"object", R"({"a":[1,-2.5e3,true,null,{}],"b":"x"})", true},
    {"blanks around", " \t[ ]\r\n", true},
    {"escapes", R"("q\"b\\s\/n\nt\tu\u0041\u00e9")", true, "q\"b\\s/n\nt\tuA\u00e9"},
    {"surrogate pair", R"("\ud83d\ude00")", true, "\U0001F600"},
    {"lone surrogate", R"("\ud800x")", true, "\uFFFDx"},
    {"UTF-8 as it stands", "\"точка\"", true, "точка"},
    {"control character", "\"a\tb\"", false},
    {"cut in a string", R"({"a":"b)", false},
    {"cut after a comma", "[1,", false},
    {"trailing comma", "[1,]", false},
    {"two values", "{} {}", false},
    {"leading zero", "01", false},
    {"bare minus", "-", false},
    {"single quotes", "'a'", false},
    {"unknown escape", R"("\x")", false},
    {"short code", R"("\u12")", false},
    {"nested too deep", std::string(100, '[') + std::string(100, ']'), false},
    {"nested deep enough", std::string(60, '[') + std::string(60, ']'), true},
};

class JsonLine : public testing::TestWithParam<TJsonCase> {};
} // namespace

TEST_P(JsonLine, WholeValuesAndStrings) {
    const TJsonCase& c = GetParam();
    TJsonReader skipped(c.Text);
    EXPECT_EQ(skipped.Skip() && skipped.AtEnd(), c.Whole);
    if (c.String == "-")
        return;
    TJsonReader read(c.Text);
    std::string text;
    ASSERT_TRUE(read.String(text));
    EXPECT_EQ(text, c.String);
    // Written back, it reads the same.
    const std::string quoted = JsonQuoted(text);
    TJsonReader again(quoted);
    std::string back;
    EXPECT_TRUE(again.String(back) && again.AtEnd());
    EXPECT_EQ(back, text);
}

INSTANTIATE_TEST_SUITE_P(Lines, JsonLine, testing::ValuesIn(JsonCases));

TEST(JsonLine, EveryControlCharacterAndIntegersWithinRange) {
    std::string all;
    for (int c = 1; c < 128; ++c)
        all += static_cast<char>(c);
    const std::string quoted = JsonQuoted(all);
    EXPECT_EQ(quoted.find('\n'), std::string::npos) << "one line";
    TJsonReader read(quoted);
    std::string back;
    EXPECT_TRUE(read.String(back) && read.AtEnd());
    EXPECT_EQ(back, all);

    long long n = 0;
    TJsonReader number("-12");
    EXPECT_TRUE(number.Integer(n) && number.AtEnd());
    EXPECT_EQ(n, -12);
    for (const char* notInteger : {"1.5", "1e3", "99999999999999999999", "\"7\""}) {
        TJsonReader other(notInteger);
        EXPECT_FALSE(other.Integer(n)) << notInteger;
    }
}
