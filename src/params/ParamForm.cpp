#include "params/ParamForm.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "params/WireValue.h"
#include "toolkit/Cp1251.h"
#include "toolkit/TextUtil.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits, the "+" of an international number, "*" and "#" of a dial
// string such as "*99#", and the pause and wait marks dialling knows.
bool IsPhoneChar(char c) {
    switch (c) {
    case '+':
    case '*':
    case '#':
    case ',':
    case ';':
    case 'W':
    case 'w':
    case 'P':
    case 'p':
        return true;
    default:
        return IsDigit(c);
    }
}

std::optional<std::string> LengthProblem(const TParamForm& Form, std::string_view Text) {
    const std::size_t length = CharacterCount(Text);
    if (Form.MaxLength > 0 && length > static_cast<std::size_t>(Form.MaxLength))
        return "длиннее поля: " + std::to_string(length) + " символов, поле вмещает " +
               std::to_string(Form.MaxLength);
    return std::nullopt;
}

// "7,90011E+10": what a spreadsheet makes of a long phone number, its
// last digits lost.
bool LooksLikeSpreadsheetNumber(std::string_view Text) {
    const std::size_t e = Text.find_first_of("Ee");
    if (e == std::string_view::npos || e == 0 || e + 1 >= Text.size())
        return false;
    const std::string_view mantissa = Text.substr(0, e);
    std::string_view exponent = Text.substr(e + 1);
    if (exponent.front() == '+' || exponent.front() == '-')
        exponent.remove_prefix(1);
    const auto digits = [](std::string_view Part) {
        return !Part.empty() && std::all_of(Part.begin(), Part.end(), IsDigit);
    };
    const std::size_t point = mantissa.find_first_of(".,");
    return digits(exponent) &&
           (point == std::string_view::npos
                ? digits(mantissa)
                : digits(mantissa.substr(0, point)) && digits(mantissa.substr(point + 1)));
}

bool IsIPv4(std::string_view Text) {
    int parts = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = Text.find('.', start);
        const std::string_view part = Text.substr(start, dot - start);
        if (part.empty() || part.size() > 3)
            return false;
        int value = 0;
        for (char c : part) {
            if (!IsDigit(c))
                return false;
            value = value * 10 + (c - '0');
        }
        if (value > 255)
            return false;
        ++parts;
        if (dot == std::string_view::npos)
            break;
        start = dot + 1;
    }
    return parts == 4;
}

} // namespace

std::optional<std::string> FormProblem(const TParamForm& Form, std::string_view Value) {
    if (const auto problem = WireTextProblem(Value))
        return problem;
    const std::string text = TrimBlanks(Value);
    switch (Form.Kind) {
    case TFormKind::Text:
        return LengthProblem(Form, text);
    case TFormKind::Decimal: {
        if (text.empty())
            return std::string("нет числа");
        for (char c : text)
            if (!IsDigit(c))
                return std::string("не десятичное число");
        // The field's number has to go back to the unit as it came.
        if (!ControlNumber(text))
            return std::string("число слишком велико");
        return std::nullopt;
    }
    case TFormKind::Phone:
        if (LooksLikeSpreadsheetNumber(text))
            return std::string("не номер телефона, а число из электронной таблицы: цифры номера "
                               "потеряны (храните столбец как текст)");
        for (char c : text)
            if (!IsPhoneChar(c))
                return std::string("не номер телефона");
        return LengthProblem(Form, text);
    case TFormKind::IPv4:
        if (!text.empty() && !IsIPv4(text))
            return std::string("не IP-адрес вида 192.0.2.1");
        return std::nullopt;
    case TFormKind::Hex: {
        const std::string digits = std::to_string(Form.Digits);
        if (Value.empty())
            return std::string("нет числа");
        for (char c : Value)
            if (HexDigitValue(c) < 0)
                return "не шестнадцатеричное число из " + digits + " цифр";
        if (Value.size() > static_cast<std::size_t>(Form.Digits))
            return "больше " + digits + " шестнадцатеричных цифр";
        return std::nullopt;
    }
    }
    return std::nullopt;
}

std::optional<std::string> DigitsProblem(const TParamForm& Form, std::string_view Text) {
    if (Form.Kind != TFormKind::Decimal || Form.Digits <= 0)
        return std::nullopt;
    const std::string text = TrimBlanks(Text);
    const auto significant = text.find_first_not_of('0');
    const std::size_t digits = significant == std::string::npos ? 1 : text.size() - significant;
    if (digits > static_cast<std::size_t>(Form.Digits))
        return "больше " + std::to_string(Form.Digits) + " цифр: команда блока несёт " +
               std::to_string(Form.Digits);
    return std::nullopt;
}

long long HexFieldMax(const TParamForm& Form) {
    return (1LL << (4 * Form.Digits)) - 1;
}

std::string FieldText(const TParamForm& Form, std::string_view Value) {
    if (Form.Kind == TFormKind::Hex) {
        const auto number = HexReplyValue(Value);
        return number ? std::to_string(*number) : std::string();
    }
    return TrimBlanks(Value);
}

namespace {

std::string Digits(std::string_view Text) {
    std::string digits;
    for (char c : Text)
        if (IsDigit(c))
            digits += c;
    return digits;
}

// The numbers of a decimal number (one), as values.
std::optional<std::vector<std::int64_t>> Numbers(std::string_view Text, char Separator) {
    std::vector<std::int64_t> numbers;
    const std::string text = TrimBlanks(Text);
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(Separator, start);
        const std::string part = text.substr(start, end - start);
        if (part.empty() || part.size() > 18 || Digits(part) != part)
            return std::nullopt;
        numbers.push_back(std::stoll(part));
        if (end == std::string::npos)
            return numbers;
        start = end + 1;
    }
}

} // namespace

bool SameValue(const TParamForm& Form, std::string_view Sent, std::string_view Held) {
    switch (Form.Kind) {
    case TFormKind::Decimal:
    case TFormKind::Hex: {
        const auto sent = Numbers(Sent, '\0');
        const auto held = Numbers(Held, '\0');
        if (sent && held)
            return *sent == *held;
        break;
    }
    case TFormKind::IPv4:
    case TFormKind::Phone:
    case TFormKind::Text:
        break;
    }
    return TrimBlanks(Sent) == TrimBlanks(Held);
}

std::string ShortCaption(std::string_view Caption) {
    std::string text(Caption);
    for (std::size_t open; (open = text.find(" (")) != std::string::npos;) {
        const std::size_t close = text.find(')', open);
        text.erase(open, close == std::string::npos ? std::string::npos : close + 1 - open);
    }
    return TrimBlanks(text);
}

std::string QuotedValue(std::string_view Utf8, std::size_t Limit) {
    // Backslashes doubled, so that an escaped control character reads as one.
    std::string shown;
    std::size_t characters = 0, i = 0;
    for (; i < Utf8.size(); ++i) {
        const char c = Utf8[i];
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && ++characters > Limit)
            break;
        if (c == '\\')
            shown += c;
        shown += c;
    }
    shown = "«" + ControlsEscaped(shown);
    if (i < Utf8.size())
        return shown + "…» (" + std::to_string(CharacterCount(Utf8)) + " символов)";
    return shown + "»";
}
