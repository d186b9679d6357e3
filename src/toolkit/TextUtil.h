#pragma once
// Small text helpers shared by every layer. ASCII-only case folding: the
// protocol's end marks and the INI names are compared this way.

#include <string>
#include <string_view>

std::string TrimBlanks(std::string_view s); // removes spaces and control chars at both ends
std::string ToUpperAscii(std::string_view s);
bool SameTextAscii(std::string_view a, std::string_view b);            // case-insensitive (ASCII)
size_t FindNoCaseAscii(std::string_view hay, std::string_view needle); // npos when absent
int HexDigitValue(char c);                                             // -1 when not a hex digit
std::string IntToHexUpper(long long value, int minDigits);
std::string IntToDecPadded(long long value, int minDigits);
