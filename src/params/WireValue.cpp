#include "params/WireValue.h"

#include "toolkit/Colors.h"

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

std::optional<TInputMasks> InputMasksValue(std::string_view Value) {
    const auto restore = HexReplyValue(Value.substr(0, 2));
    const auto mode = HexReplyValue(Value.size() > 2 ? Value.substr(2, 2) : std::string_view());
    if (!restore || !mode)
        return std::nullopt;
    return TInputMasks{*restore, *mode};
}

std::optional<TEventCode> EventCodeValue(std::string_view Utf8) {
    if (CharacterCount(Utf8) != EventCodeLength + 1)
        return std::nullopt;
    // The flag is the last character, whatever its length in bytes: back
    // from the end to its first byte (there is one: ten characters counted).
    std::size_t split = Utf8.size() - 1;
    while ((static_cast<unsigned char>(Utf8[split]) & 0xC0) == 0x80)
        --split;
    return TEventCode{std::string(Utf8.substr(0, split)), Utf8.substr(split) != "0"};
}
