// Feeds arbitrary bytes, as typed or pasted text, to the two tidyings of a
// phone number: the engineering number fields' (a "+" with its country
// digit goes, only digits stay, ten at most) and the link's dial number
// (only what a modem can dial stays). Checks that a tidied field is already
// tidy, so that the field's change handler settles after one more pass,
// that the digits rule is reported exactly when something had to go, and
// that a dial command made from the number is one clean line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/DialNumber.h"
#include "pages/PhoneDigits.h"
#include "toolkit/Cp1251.h"
#include "toolkit/TextUtil.h"

namespace {
void Check(bool ok) {
    if (!ok)
        std::abort();
}

// Whether part's characters all occur in text, in order.
bool Subsequence(std::string_view part, std::string_view text) {
    std::size_t at = 0;
    for (char c : part) {
        at = text.find(c, at);
        if (at == std::string_view::npos)
            return false;
        ++at;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    constexpr std::size_t Max = 10;

    const TPhoneDigits field = NormalisePhoneDigits(text, Max);
    Check(AllDigits(field.Digits) && field.Digits.size() <= Max);
    Check(field.BrokeDigitsRule == (text.starts_with('+') || !AllDigits(text)));
    const std::string_view rest =
        text.starts_with('+') ? std::string_view(text).substr(std::min<std::size_t>(2, size))
                              : std::string_view(text);
    Check(Subsequence(field.Digits, rest));
    if (!field.BrokeDigitsRule && text.size() <= Max)
        Check(field.Digits == text);
    const TPhoneDigits again = NormalisePhoneDigits(field.Digits, Max);
    Check(again.Digits == field.Digits && !again.BrokeDigitsRule);

    const std::string dial = FilterPhone(text);
    Check(dial.find_first_not_of("0123456789Ww+,;") == std::string::npos);
    Check(Subsequence(dial, text));
    Check(!TrimBlanks(text).empty() || dial.empty());
    Check(dial.empty() || FilterPhone(dial) == dial);
    Check(!WireTextProblem("ATD " + dial).has_value());
    return 0;
}
