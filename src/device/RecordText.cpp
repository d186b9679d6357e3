#include "device/RecordText.h"

#include <algorithm>

#include "device/ReplyValue.h"
#include "toolkit/TextUtil.h"

std::string RecordAddress(int Value) {
    return IntToHexUpper(Value, 4);
}

std::string BlockRange(int First, int Count) {
    const long long last = static_cast<long long>(First) + std::max(Count, 1) - 1;
    return IntToHexUpper(First, 4) + IntToHexUpper(last, 4);
}

std::string RecordLine(const std::string& Address, const std::string& Record) {
    return Address + ">" + Record;
}

std::string NextRecordLine(std::string_view Reply) {
    if (Reply.empty())
        return {};
    const std::size_t mark = Reply.find('>');
    if (mark == std::string_view::npos)
        return ">" + ExtractReplyValue(Reply);
    const std::size_t from = mark >= 4 ? mark - 4 : 0;
    return std::string(Reply.substr(from, mark - from)) + ">" + ExtractReplyValue(Reply);
}

std::vector<std::string> BlockLines(std::string_view Text) {
    std::vector<std::string> lines;
    while (!Text.empty() &&
           !SameTextAscii(Text.substr(0, std::min<std::size_t>(2, Text.size())), "OK")) {
        const std::size_t end = Text.find_first_of("\r\n");
        if (end == std::string_view::npos) {
            lines.emplace_back(Text);
            break;
        }
        lines.emplace_back(Text.substr(0, end));
        Text.remove_prefix(end + 1);
        const std::size_t next = Text.find_first_not_of("\r\n ");
        Text.remove_prefix(next == std::string_view::npos ? Text.size() : next);
    }
    return lines;
}
