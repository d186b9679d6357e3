#include "toolkit/Cp1251Case.h"

#include <array>

#include "toolkit/Cp1251.h"

namespace {
std::array<unsigned char, 256> MakeUpperTable() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<unsigned char>(i);
    for (int c = 'a'; c <= 'z'; ++c)
        t[c] = static_cast<unsigned char>(c - 'a' + 'A');
    for (int c = 0xE0; c <= 0xFF; ++c) // а..я -> А..Я
        t[c] = static_cast<unsigned char>(c - 0x20);
    // The letters outside the two main blocks, lower -> upper.
    constexpr unsigned char pairs[][2] = {
        {0xB8, 0xA8}, {0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C},
        {0x9D, 0x8D}, {0x9E, 0x8E}, {0x9F, 0x8F}, {0xA2, 0xA1}, {0xBC, 0xA3},
        {0xB4, 0xA5}, {0xBA, 0xAA}, {0xBF, 0xAF}, {0xB3, 0xB2}, {0xBE, 0xBD},
    };
    for (const auto& p : pairs)
        t[p[0]] = p[1];
    return t;
}

const std::array<unsigned char, 256>& UpperTable() {
    static const std::array<unsigned char, 256> table = MakeUpperTable();
    return table;
}
} // namespace

char FoldCaseCp1251(char c) {
    return static_cast<char>(UpperTable()[static_cast<unsigned char>(c)]);
}

std::string FoldCaseCp1251(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        c = FoldCaseCp1251(c);
    return r;
}

bool SameTextCp1251(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCaseCp1251(a[i]) != FoldCaseCp1251(b[i]))
            return false;
    return true;
}

std::string FoldCaseUtf8(std::string_view s) {
    std::string r;
    r.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const auto lead = static_cast<unsigned char>(s[i]);
        if (lead < 0x80) {
            r += FoldCaseCp1251(s[i++]);
            continue;
        }
        // The lead byte and the continuation bytes after it: a broken
        // sequence never takes the next character with it.
        const size_t want = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        size_t end = i + 1;
        while (end < s.size() && end - i < want &&
               (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80)
            ++end;
        const std::string_view piece = s.substr(i, end - i);
        i = end;
        const TCp1251Encoding one = Utf8ToCp1251(piece);
        if (one.Ok() && one.Bytes.size() == 1)
            r += Cp1251ToUtf8(FoldCaseCp1251(one.Bytes));
        else
            r.append(piece);
    }
    return r;
}
