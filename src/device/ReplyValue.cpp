#include "ReplyValue.h"

std::string ExtractReplyValue(std::string_view Reply) {
    const std::size_t mark = Reply.find('>');
    if (mark == std::string_view::npos)
        return {};
    const std::string_view rest = Reply.substr(mark + 1);
    const std::size_t end = rest.find("\r\n");
    if (end == std::string_view::npos)
        return {};
    return std::string(rest.substr(0, end));
}
