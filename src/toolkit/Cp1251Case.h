#pragma once
// Letter-case folding for Windows-1251 bytes: ASCII and the Cyrillic letters
// compare without regard to case, as INI section and key names do.

#include <string>
#include <string_view>

char FoldCaseCp1251(char c); // the upper-case form of one byte
std::string FoldCaseCp1251(std::string_view s);
bool SameTextCp1251(std::string_view a, std::string_view b);

// The same folding for UTF-8 text: the letters Windows-1251 has fold as
// they do there; every other character, and bytes that are not UTF-8, stay.
std::string FoldCaseUtf8(std::string_view s);
