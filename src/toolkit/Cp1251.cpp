#include "toolkit/Cp1251.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>

namespace {

// Code points of bytes 0x80..0xFF.
constexpr std::array<char16_t, 128> kHigh = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Reads one code point at `i`; returns false on malformed UTF-8 (and skips one byte).
bool NextCodePoint(std::string_view s, size_t& i, char32_t& cp) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    }
    int len = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        ++i;
        return false;
    }
    if (i + len > s.size()) {
        ++i;
        return false;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return false;
    }
    i += len;
    return true;
}

bool ValidUtf8(std::string_view s) {
    char32_t cp = 0;
    for (size_t i = 0; i < s.size();)
        if (!NextCodePoint(s, i, cp))
            return false;
    return true;
}

int EncodeOne(char32_t cp) {
    if (cp < 0x80)
        return static_cast<int>(cp);
    for (size_t k = 0; k < kHigh.size(); ++k)
        if (kHigh[k] == cp)
            return static_cast<int>(0x80 + k);
    return -1;
}

} // namespace

std::string Cp1251ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            out += c;
        else
            AppendUtf8(out, kHigh[b - 0x80]);
    }
    return out;
}

TCp1251Encoding Utf8ToCp1251(std::string_view utf8) {
    TCp1251Encoding r;
    r.Bytes.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        if (!NextCodePoint(utf8, i, cp)) {
            r.InvalidUtf8 = true;
            continue;
        }
        const int b = EncodeOne(cp);
        if (b < 0)
            r.Unencodable.push_back(cp);
        else
            r.Bytes += static_cast<char>(b);
    }
    return r;
}

std::string Utf8ToCp1251Lossy(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        const int b = NextCodePoint(utf8, i, cp) ? EncodeOne(cp) : -1;
        out += b < 0 ? '?' : static_cast<char>(b);
    }
    return out;
}

std::string CodePointName(char32_t cp) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
    return buf;
}

std::optional<char32_t> FirstControlCharacter(std::string_view utf8) {
    size_t i = 0;
    while (i < utf8.size()) {
        char32_t cp = 0;
        if (NextCodePoint(utf8, i, cp) && (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)))
            return cp;
    }
    return std::nullopt;
}

std::optional<std::string> WireTextProblem(std::string_view utf8) {
    // U+0098 (the byte Windows-1251 leaves undefined) and the other C1
    // controls are control characters too.
    if (const auto control = FirstControlCharacter(utf8))
        return "управляющий символ " + CodePointName(*control);
    const TCp1251Encoding enc = Utf8ToCp1251(utf8);
    if (enc.InvalidUtf8)
        return std::string("неверная кодировка текста");
    if (!enc.Unencodable.empty())
        return "символ " + CodePointName(enc.Unencodable.front()) +
               " нельзя передать в кодировке Windows-1251";
    return std::nullopt;
}

std::string_view SkipByteOrderMark(std::string_view& bytes) {
    constexpr std::string_view mark = "\xEF\xBB\xBF";
    if (!bytes.starts_with(mark))
        return {};
    bytes.remove_prefix(mark.size());
    return mark;
}

TFileText DecodeFileText(std::string_view bytes) {
    TFileText r;
    if (!SkipByteOrderMark(bytes).empty()) {
        r.Encoding = TTextEncoding::Utf8;
        r.Text.reserve(bytes.size());
        size_t i = 0;
        while (i < bytes.size()) {
            const size_t at = i;
            char32_t cp = 0;
            if (NextCodePoint(bytes, i, cp)) {
                r.Text.append(bytes.substr(at, i - at));
            } else {
                AppendUtf8(r.Text, 0xFFFD);
                r.Problem = TFileText::BadUtf8;
            }
        }
        return r;
    }
    const bool beyondAscii = std::any_of(
        bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (beyondAscii && ValidUtf8(bytes)) {
        r.Encoding = TTextEncoding::Utf8Unmarked;
        r.Text = bytes;
        return r;
    }
    // Plain ASCII reads the same either way; it stays Windows-1251, as the
    // program has always written its files.
    r.Text = Cp1251ToUtf8(bytes);
    return r;
}

std::string EncodeFileText(std::string_view utf8, TTextEncoding encoding) {
    if (encoding == TTextEncoding::Cp1251)
        return Utf8ToCp1251Lossy(utf8);
    std::string r = encoding == TTextEncoding::Utf8 ? "\xEF\xBB\xBF" : "";
    r.append(utf8);
    return r;
}
