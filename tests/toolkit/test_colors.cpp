#include <gtest/gtest.h>

#include "toolkit/Colors.h"

TEST(Colors, NamedColoursRoundTrip) {
    for (TColor c : {clBlack, clMaroon, clGreen,      clOlive,  clNavy,    clPurple, clTeal,
                     clGray,  clSilver, clRed,        clLime,   clYellow,  clBlue,   clFuchsia,
                     clAqua,  clWhite,  clWindowText, clWindow, clBtnFace, clInfoBk}) {
        const std::string name = ColorToString(c);
        ASSERT_EQ(name.rfind("cl", 0), 0u) << name;
        EXPECT_EQ(StringToColor(name), c) << name;
    }
    EXPECT_EQ(ColorToString(0x0000FF), "clRed");
    EXPECT_EQ(ColorToString(0xFF0000), "clBlue");
    EXPECT_EQ(ColorToString(0x008000), "clGreen");
    EXPECT_EQ(ColorToString(0xFF000008), "clWindowText");
}

TEST(Colors, UnnamedColoursUseEightHexDigits) {
    EXPECT_EQ(ColorToString(0x00123456), "$00123456");
    EXPECT_EQ(ColorToString(0xFF0000FE), "$FF0000FE");
    for (TColor c : {0x00123456u, 0xFF0000FEu, 0x00ABCDEFu, 0x80000000u})
        EXPECT_EQ(StringToColor(ColorToString(c)), c);
}

TEST(Colors, ParsingAcceptsNamesNumbersAndRejectsJunk) {
    EXPECT_EQ(StringToColor("CLRED"), clRed);
    EXPECT_EQ(StringToColor("$FF"), 0xFFu);
    EXPECT_EQ(StringToColor("255"), 0xFFu);
    EXPECT_EQ(StringToColor("-16777208"), clWindowText);
    for (const char* bad : {"", "red", "$", "$GG", "12a", " 12", "clRedd", "$123456789"})
        EXPECT_FALSE(StringToColor(bad).has_value()) << bad;
}

TEST(Colors, StrToIntStrictBounds) {
    EXPECT_EQ(StrToIntStrict("2147483647"), 2147483647);
    EXPECT_EQ(StrToIntStrict("-2147483648"), -2147483647 - 1);
    EXPECT_FALSE(StrToIntStrict("2147483648").has_value());
    EXPECT_FALSE(StrToIntStrict("99999999999999999999").has_value());
    EXPECT_EQ(StrToIntStrict("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToIntStrict("+7"), 7);
    EXPECT_FALSE(StrToIntStrict("-").has_value());
    EXPECT_FALSE(StrToIntStrict("1 ").has_value());
}
