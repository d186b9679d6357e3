// The value of a reply: the text between the first ">" and the CR LF after it.
#include <gtest/gtest.h>

#include "ReplyValue.h"

TEST(ExtractReplyValue, TextBetweenTheFirstMarkAndTheLineEnd) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"+g\r\n>0050\r\nOK\r\n", "0050"},
        {"OK\r\n", ""},              // no ">"
        {">12", ""},                 // no CR LF after it
        {">\r\nOK\r\n", ""},         // nothing between
        {"x\r\n>", ""},              // the CR LF before ">" does not count
        {"a>b>c\r\nd\r\n", "b>c"},   // the first ">", the first CR LF after it
        {">x\ry\nz\r\n", "x\ry\nz"}, // a lone CR or LF is part of the value
        {"ERROR\r\n>REV 07.36\r\nOK", "REV 07.36"},
        {">Мир\r\n", "Мир"},
        {"", ""},
    };
    for (const auto& [reply, value] : cases)
        EXPECT_EQ(ExtractReplyValue(reply), value) << "reply: " << testing::PrintToString(reply);
}
