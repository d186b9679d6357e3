#include "device/ReplyValue.h"

bool HasReplyValue(std::string_view Reply) {
    const std::size_t mark = Reply.find('>');
    return mark != std::string_view::npos && Reply.find("\r\n", mark + 1) != std::string_view::npos;
}

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
