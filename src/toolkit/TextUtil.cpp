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
