#include <gtest/gtest.h>

#include <regex>

#include "toolkit/DateTimeText.h"
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
