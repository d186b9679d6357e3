#pragma once
// How an engineering number field tidies what was typed or pasted into it:
// a leading "+" goes together with the country digit after it, every
// character that is not a digit goes, and at most MaxDigits digits stay.
// BrokeDigitsRule says something had to go (the operator is shown the
// digits-only rule).
//
// Threading: a pure function.

#include <cstddef>
#include <string>
#include <string_view>

struct TPhoneDigits {
    std::string Digits;
    bool BrokeDigitsRule = false;
};

TPhoneDigits NormalisePhoneDigits(std::string_view Text, std::size_t MaxDigits);
