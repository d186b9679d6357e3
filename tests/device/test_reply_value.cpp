// The value of a reply: the text between the first ">" and the CR LF after
// it, and the form it must have before it may reach a field.
#include <gtest/gtest.h>

#include <optional>

#include "device/ReplyValue.h"
#include "params/ParamForm.h"

TEST(ExtractReplyValue, TextBetweenTheFirstMarkAndTheLineEnd) {
    struct TCase {
        std::string Reply;
        std::string Value;
        bool HasValue; // framed by ">" and CR LF, if empty
    };
    const std::vector<TCase> cases = {
        {"+g\r\n>0050\r\nOK\r\n", "0050", true},
        {"OK\r\n", "", false},             // no ">"
        {">12", "", false},                // no CR LF after it
        {">\r\nOK\r\n", "", true},         // nothing between
        {"x\r\n>", "", false},             // the CR LF before ">" does not count
        {"a>b>c\r\nd\r\n", "b>c", true},   // the first ">", the first CR LF after it
        {">x\ry\nz\r\n", "x\ry\nz", true}, // a lone CR or LF is part of the value
        {"ERROR\r\n>REV 07.36\r\nOK", "REV 07.36", true},
        {">Мир\r\n", "Мир", true},
        {"", "", false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(ExtractReplyValue(c.Reply), c.Value) << testing::PrintToString(c.Reply);
        EXPECT_EQ(HasReplyValue(c.Reply), c.HasValue) << testing::PrintToString(c.Reply);
    }
}

// Replies a unit may garble, per form: what a field then shows, or nothing
// when the value is refused.
TEST(ParamForm, ValuesReachAFieldOnlyInTheirParametersForm) {
    const TParamForm hex2{TFormKind::Hex, 2}, hex4{TFormKind::Hex, 4};
    const TParamForm decimal{TFormKind::Decimal, 4}, phone{TFormKind::Phone, 0, 16};
    const TParamForm address{TFormKind::IPv4}, text{TFormKind::Text}, short4{TFormKind::Text, 0, 4};
    struct TCase {
        const TParamForm& Form;
        std::string Value;
        std::optional<std::string> Shown; // nothing: refused
    };
    const std::string nul("a\0b", 3);
    const TCase cases[] = {
        {hex4, "00E6", "230"},
        {hex4, "e6", "230"},           // fewer digits and lower case are still the number
        {hex4, "", std::nullopt},      // no value is no number: never "0"
        {hex4, "00E6A", std::nullopt}, // more digits than the parameter has
        {hex2, "1G", std::nullopt},
        {hex2, " 05", std::nullopt},
        {hex2, std::string("\0\xFF", 2), std::nullopt},
        {decimal, "0123", "0123"},
        {decimal, "12345", "12345"}, // as written by a longer number
        {decimal, "", std::nullopt},
        {decimal, "12a", std::nullopt},
        {decimal, "99999999999", std::nullopt}, // could not be written back
        {phone, " +79161234567 ", "+79161234567"},
        {phone, "*99***1#", "*99***1#"},
        {phone, "", ""},                            // a number switched off
        {phone, "+7916123456789012", std::nullopt}, // longer than the field
        {phone, "8-916", std::nullopt},
        {address, "192.0.2.17", "192.0.2.17"},
        {address, "", ""},
        {address, "192.0.2", std::nullopt},
        {address, "192.0.2.256", std::nullopt},
        {address, "192.0..2", std::nullopt},
        {address, "example.org", std::nullopt},
        {text, " internet.example ", "internet.example"},
        {text, "Пароль", "Пароль"},
        {text, nul, std::nullopt},
        {text, "x\ry", std::nullopt},
        {text, "\xC2\x98", std::nullopt}, // the undefined byte of Windows-1251
        {short4, "Мир!", "Мир!"},         // characters, not bytes, against the field
        {short4, "Мир!!", std::nullopt},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Value));
        const auto problem = FormProblem(c.Form, c.Value);
        EXPECT_EQ(!problem, c.Shown.has_value()) << problem.value_or("");
        if (c.Shown)
            EXPECT_EQ(FieldText(c.Form, c.Value), *c.Shown);
        else
            EXPECT_FALSE(problem->empty());
    }
}

TEST(ParamForm, RejectedTextIsShownEscapedAndCut) {
    EXPECT_EQ(QuotedValue(std::string("\0\xD1\x8F\\\r\n", 6)), "«\\x00я\\\\\\x0D\\x0A»");
    EXPECT_EQ(QuotedValue("\xC2\x98"), "«\\x98»");
    EXPECT_EQ(QuotedValue(std::string(100, 'A'), 4), "«AAAA…» (100 символов)");
    EXPECT_EQ(QuotedValue(""), "«»");
    EXPECT_EQ(ShortCaption("Точка доступа GPRS (internet.mts.ru, internet.megafon.ru)"),
              "Точка доступа GPRS");
    EXPECT_EQ(ShortCaption("Телефон приёма тревожных сообщений "),
              "Телефон приёма тревожных сообщений");
    // Brackets inside the caption go too; what follows them stays.
    EXPECT_EQ(ShortCaption("Час (по Гринвичу) проверки аккумулятора"), "Час проверки аккумулятора");
    EXPECT_EQ(ShortCaption("Смещение по широте (рекомендуется 230) Lat"), "Смещение по широте Lat");
    EXPECT_EQ(ShortCaption("Пауза (минуты"), "Пауза");
}
