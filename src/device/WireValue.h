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
