#include "WireValue.h"

#include "Colors.h"

std::optional<std::int32_t> HexReplyValue(std::string_view Value) {
    return StrToIntStrict("$0" + std::string(Value));
}

std::optional<std::int32_t> ControlNumber(std::string_view Text) {
    const auto n = StrToIntStrict(Text);
    if (!n || *n < 0)
        return std::nullopt;
    return n;
}

std::size_t CharacterCount(std::string_view Utf8) {
    std::size_t n = 0;
    for (const char c : Utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}
