#include <gtest/gtest.h>

#include "toolkit/Cp1251.h"

TEST(Cp1251, EveryByteDecodesAndRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = Cp1251ToUtf8(all);
    const TCp1251Encoding back = Utf8ToCp1251(utf8);
    EXPECT_TRUE(back.Ok());
    EXPECT_EQ(back.Bytes, all);
}

TEST(Cp1251, CyrillicAndPunctuationMapAsWindowsDoes) {
    EXPECT_EQ(Cp1251ToUtf8("\xC0\xFF"), "Ая");
    EXPECT_EQ(Cp1251ToUtf8("\xA8\xB8"), "Ёё");
    EXPECT_EQ(Cp1251ToUtf8("\xB9"), "№");
    EXPECT_EQ(Cp1251ToUtf8("\x88"), "€");
    EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xC2\x98"); // the undefined byte keeps its value
    EXPECT_EQ(Utf8ToCp1251("ОШИБКА!").Bytes, "\xCE\xD8\xC8\xC1\xCA\xC0!");
}

TEST(Cp1251, UnencodableCharactersAreReportedNotReplaced) {
    const TCp1251Encoding r = Utf8ToCp1251("a\xE2\x82\xBF"
                                           "b\xF0\x9F\x98\x80"
                                           "c"); // bitcoin sign, emoji
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.Bytes, "abc");
    ASSERT_EQ(r.Unencodable.size(), 2u);
    EXPECT_EQ(r.Unencodable[0], U'\u20BF');
    EXPECT_EQ(r.Unencodable[1], U'\U0001F600');
    EXPECT_EQ(Utf8ToCp1251Lossy("a\xE2\x82\xBF"
                                "b"),
              "a?b");
}

TEST(Cp1251, MalformedUtf8IsFlagged) {
    for (const char* bad : {"\xFF", "\xC3", "\xE0\x80\x80", "\xED\xA0\x80", "\xC0\xAF"}) {
        const TCp1251Encoding r = Utf8ToCp1251(bad);
        EXPECT_TRUE(r.InvalidUtf8) << bad;
        EXPECT_FALSE(r.Ok());
    }
}

TEST(Cp1251, WireTextProblemCatchesControlsAndUnencodable) {
    EXPECT_FALSE(WireTextProblem("internet.mts.ru").has_value());
    EXPECT_FALSE(WireTextProblem("Пароль №1").has_value());
    EXPECT_TRUE(WireTextProblem("abc\rdef").has_value());
    EXPECT_TRUE(WireTextProblem("abc\n").has_value());
    EXPECT_TRUE(WireTextProblem(std::string("a\0b", 3)).has_value());
    EXPECT_TRUE(WireTextProblem("\x7F").has_value());
    EXPECT_TRUE(WireTextProblem("\xC2\x98").has_value());
    EXPECT_TRUE(WireTextProblem("日本").has_value());
    EXPECT_TRUE(WireTextProblem("\xFF").has_value());
}
