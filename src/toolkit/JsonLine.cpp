#include "toolkit/JsonLine.h"

#include <charconv>
#include <cstdio>

#include "toolkit/TextUtil.h"

namespace {

// Deeper than any record, shallow enough for the stack.
constexpr int MaxDepth = 64;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void AppendUtf8(std::string& Out, unsigned Code) {
    if (Code < 0x80) {
        Out += static_cast<char>(Code);
    } else if (Code < 0x800) {
        Out += static_cast<char>(0xC0 | (Code >> 6));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    } else if (Code < 0x10000) {
        Out += static_cast<char>(0xE0 | (Code >> 12));
        Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    } else {
        Out += static_cast<char>(0xF0 | (Code >> 18));
        Out += static_cast<char>(0x80 | ((Code >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (Code & 0x3F));
    }
}

} // namespace

std::string JsonQuoted(std::string_view Text) {
    std::string out;
    out.reserve(Text.size() + 2);
    out += '"';
    for (const char ch : Text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04X", c);
            out += code;
        } else {
            out += ch;
        }
    }
    out += '"';
    return out;
}

bool TJsonReader::Fail() {
    FFailed = true;
    return false;
}

void TJsonReader::Blanks() {
    while (FAt < FText.size() && IsBlank(FText[FAt]))
        ++FAt;
}

bool TJsonReader::Object(const std::function<bool(const std::string& Key)>& Member) {
    Blanks();
    if (FFailed || FAt >= FText.size() || FText[FAt] != '{' || FDepth >= MaxDepth)
        return Fail();
    ++FAt;
    ++FDepth;
    Blanks();
    if (FAt < FText.size() && FText[FAt] == '}') {
        ++FAt;
        --FDepth;
        return true;
    }
    std::string key;
    for (;;) {
        if (!String(key))
            return false;
        Blanks();
        if (FAt >= FText.size() || FText[FAt] != ':')
            return Fail();
        ++FAt;
        if (!Member(key) || FFailed)
            return Fail();
        Blanks();
        if (FAt < FText.size() && FText[FAt] == ',') {
            ++FAt;
            continue;
        }
        if (FAt < FText.size() && FText[FAt] == '}') {
            ++FAt;
            --FDepth;
            return true;
        }
        return Fail();
    }
}

bool TJsonReader::Array(const std::function<bool()>& Element) {
    Blanks();
    if (FFailed || FAt >= FText.size() || FText[FAt] != '[' || FDepth >= MaxDepth)
        return Fail();
    ++FAt;
    ++FDepth;
    Blanks();
    if (FAt < FText.size() && FText[FAt] == ']') {
        ++FAt;
        --FDepth;
        return true;
    }
    for (;;) {
        if (!Element() || FFailed)
            return Fail();
        Blanks();
        if (FAt < FText.size() && FText[FAt] == ',') {
            ++FAt;
            continue;
        }
        if (FAt < FText.size() && FText[FAt] == ']') {
            ++FAt;
            --FDepth;
            return true;
        }
        return Fail();
    }
}

bool TJsonReader::String(std::string& Value) {
    Blanks();
    if (FFailed || FAt >= FText.size() || FText[FAt] != '"')
        return Fail();
    ++FAt;
    Value.clear();
    const auto hex4 = [&](unsigned& Code) {
        if (FText.size() - FAt < 4)
            return false;
        Code = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = HexDigitValue(FText[FAt++]);
            if (digit < 0)
                return false;
            Code = Code * 16 + static_cast<unsigned>(digit);
        }
        return true;
    };
    while (FAt < FText.size()) {
        const std::size_t run = FAt;
        while (FAt < FText.size()) {
            const auto c = static_cast<unsigned char>(FText[FAt]);
            if (c == '"' || c == '\\' || c < 0x20)
                break;
            ++FAt;
        }
        Value.append(FText.substr(run, FAt - run));
        if (FAt >= FText.size())
            break;
        const auto c = static_cast<unsigned char>(FText[FAt++]);
        if (c == '"')
            return true;
        if (c < 0x20 || FAt >= FText.size())
            return Fail();
        switch (FText[FAt++]) {
        case '"':
            Value += '"';
            break;
        case '\\':
            Value += '\\';
            break;
        case '/':
            Value += '/';
            break;
        case 'b':
            Value += '\b';
            break;
        case 'f':
            Value += '\f';
            break;
        case 'n':
            Value += '\n';
            break;
        case 'r':
            Value += '\r';
            break;
        case 't':
            Value += '\t';
            break;
        case 'u': {
            unsigned code = 0;
            if (!hex4(code))
                return Fail();
            if (code >= 0xD800 && code < 0xDC00) {
                // A high surrogate counts only with the low one after it.
                const std::size_t back = FAt;
                unsigned low = 0;
                if (FText.substr(FAt, 2) == "\\u" && (FAt += 2, hex4(low)) && low >= 0xDC00 &&
                    low < 0xE000) {
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else {
                    FAt = back;
                    code = 0xFFFD;
                }
            } else if (code >= 0xDC00 && code < 0xE000) {
                code = 0xFFFD;
            }
            AppendUtf8(Value, code);
            break;
        }
        default:
            return Fail();
        }
    }
    return Fail();
}

bool TJsonReader::Number() {
    const std::size_t start = FAt;
    const auto digits = [&] {
        const std::size_t from = FAt;
        while (FAt < FText.size() && IsDigit(FText[FAt]))
            ++FAt;
        return FAt > from;
    };
    if (FAt < FText.size() && FText[FAt] == '-')
        ++FAt;
    if (FAt < FText.size() && FText[FAt] == '0')
        ++FAt;
    else if (!digits())
        return Fail();
    if (FAt < FText.size() && FText[FAt] == '.' && (++FAt, !digits()))
        return Fail();
    if (FAt < FText.size() && (FText[FAt] == 'e' || FText[FAt] == 'E')) {
        ++FAt;
        if (FAt < FText.size() && (FText[FAt] == '+' || FText[FAt] == '-'))
            ++FAt;
        if (!digits())
            return Fail();
    }
    return FAt > start;
}

bool TJsonReader::Integer(long long& Value) {
    Blanks();
    if (FFailed)
        return false;
    const std::size_t start = FAt;
    if (!Number())
        return false;
    const std::string_view text = FText.substr(start, FAt - start);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), Value);
    if (error != std::errc() || end != text.data() + text.size())
        return Fail();
    return true;
}

bool TJsonReader::Literal(std::string_view Word) {
    if (FText.substr(FAt, Word.size()) != Word)
        return Fail();
    FAt += Word.size();
    return true;
}

bool TJsonReader::Boolean(bool& Value) {
    Blanks();
    if (FFailed)
        return false;
    Value = FText.substr(FAt, 4) == "true";
    return Literal(Value ? "true" : "false");
}

bool TJsonReader::Skip() {
    Blanks();
    if (FFailed || FAt >= FText.size())
        return Fail();
    switch (FText[FAt]) {
    case '{':
        return Object([this](const std::string&) { return Skip(); });
    case '[':
        return Array([this] { return Skip(); });
    case '"':
        return String(FSkipped);
    case 't':
        return Literal("true");
    case 'f':
        return Literal("false");
    case 'n':
        return Literal("null");
    default:
        return Number();
    }
}

bool TJsonReader::AtEnd() {
    Blanks();
    return !FFailed && FAt == FText.size();
}
