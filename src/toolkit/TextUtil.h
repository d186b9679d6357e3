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
bool AllDigits(std::string_view s); // ASCII decimal digits only (true for empty text)
std::string IntToHexUpper(long long value, int minDigits);
std::string IntToDecPadded(long long value, int minDigits);

// UTF-8 text as a terminal may show it: each control character (C0 but the
// line break when KeepLineBreaks, DEL, C1) as \xNN, so that text from a unit
// or a file (an escape sequence in a version text) neither clears the screen
// nor retitles the window. Everything the programs print of such text goes
// through it.
std::string ControlsEscaped(std::string_view Utf8, bool KeepLineBreaks = false);
