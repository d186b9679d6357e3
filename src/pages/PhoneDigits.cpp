#include "pages/PhoneDigits.h"

TPhoneDigits NormalisePhoneDigits(std::string_view Text, std::size_t MaxDigits) {
    TPhoneDigits result;
    if (!Text.empty() && Text.front() == '+') {
        // The plus and the country digit go.
        Text = Text.size() > 2 ? Text.substr(2) : std::string_view();
        result.BrokeDigitsRule = true;
    }
    for (char c : Text) {
        if (c >= '0' && c <= '9')
            result.Digits += c;
        else
            result.BrokeDigitsRule = true;
    }
    if (result.Digits.size() > MaxDigits)
        result.Digits.resize(MaxDigits);
    return result;
}
