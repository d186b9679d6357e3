#include "toolkit/TextUtil.h"

#include <cstdio>

namespace {
char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
} // namespace

std::string TrimBlanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsTrimmed(s[b]))
        ++b;
    while (e > b && IsTrimmed(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

std::string ToUpperAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = UpperAscii(c);
    return r;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return false;
    return true;
}

size_t FindNoCaseAscii(std::string_view hay, std::string_view needle) {
    if (needle.empty())
        return 0;
    if (needle.size() > hay.size())
        return std::string_view::npos;
    for (size_t i = 0; i + needle.size() <= hay.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() && UpperAscii(hay[i + k]) == UpperAscii(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return std::string_view::npos;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool AllDigits(std::string_view s) {
    return s.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string IntToHexUpper(long long value, int minDigits) {
    // A negative 32-bit value shows as its two's complement, as the controls hold 32-bit numbers.
    const unsigned long long u = (value < 0 && value >= -2147483648LL)
                                     ? static_cast<unsigned long long>(static_cast<unsigned>(value))
                                     : static_cast<unsigned long long>(value);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%0*llX", minDigits, u);
    return buf;
}

std::string IntToDecPadded(long long value, int minDigits) {
    char buf[40];
    if (value < 0)
        std::snprintf(buf, sizeof buf, "-%0*lld", minDigits, -value);
    else
        std::snprintf(buf, sizeof buf, "%0*lld", minDigits, value);
    return buf;
}

std::string ControlsEscaped(std::string_view Utf8, bool KeepLineBreaks) {
    static const char* const digits = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(Utf8.size());
    for (std::size_t i = 0; i < Utf8.size(); ++i) {
        auto c = static_cast<unsigned char>(Utf8[i]);
        const auto next = i + 1 < Utf8.size() ? static_cast<unsigned char>(Utf8[i + 1]) : 0;
        const bool c1 = c == 0xC2 && next >= 0x80 && next <= 0x9F;
        if (c1) {
            // A C1 control character (the undefined byte of Windows-1251
            // decodes to one; 0x9B is a terminal's escape sequence too).
            c = next;
            ++i;
        } else if ((c >= 0x20 && c != 0x7F) || (c == '\n' && KeepLineBreaks)) {
            shown += static_cast<char>(c);
            continue;
        }
        shown += "\\x";
        shown += digits[c >> 4];
        shown += digits[c & 0xF];
    }
    return shown;
}
