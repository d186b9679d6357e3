#pragma once
// How parameter values travel between the controls and the unit: numbers are
// decimal in the controls and upper-case hexadecimal (or zero-padded decimal)
// of a fixed minimum width on the wire.
// Threading: pure functions.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A hexadecimal reply value as a number: "0" is put in front, so an empty
// value reads as 0. Nothing when the value holds anything but hex digits or
// does not fit in 32 bits.
std::optional<std::int32_t> HexReplyValue(std::string_view Value);

// The number a control's text holds (decimal, or "$" and hex digits, as the
// controls take numbers). Nothing when the text is not a number or is
// negative: a negative number has no form the unit would read as intended.
std::optional<std::int32_t> ControlNumber(std::string_view Text);

// Characters (not bytes) in UTF-8 text.
std::size_t CharacterCount(std::string_view Utf8);

// The inputs value of a mask-generation unit ("+Z"): two hex digits of
// restore mask, then two of input mode; a part that is missing reads as 0,
// characters beyond the fourth are not looked at. Nothing when a part holds
// anything but hex digits.
struct TInputMasks {
    std::int32_t Restore = 0;
    std::int32_t Mode = 0;
};
std::optional<TInputMasks> InputMasksValue(std::string_view Value);

// One input event of a generation-1 unit ("+Z0"k, "+z0"k): exactly ten
// characters, the nine-character event code and a flag that is on unless it
// is "0". Nothing for a value of any other length.
struct TEventCode {
    std::string Code;
    bool On = false;
};
inline constexpr std::size_t EventCodeLength = 9;
std::optional<TEventCode> EventCodeValue(std::string_view Utf8);
