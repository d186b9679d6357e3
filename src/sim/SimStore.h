#pragma once
// The simulated unit's parameters: the key each is reached by, the control
// name the program shows it in, which generations have it, how a written
// argument is checked, and the factory value. Values are held as the wire
// text a read answers with, so a test can also plant malformed values.
// Threading: none of its own; TSimUnit guards it.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class TSimParamKind {
    Text,     // any text
    Decimal,  // 1 to 9 decimal digits, kept as written
    Hex,      // hexadecimal up to Max, answered with Width digits
    MaskMode, // restore mask (up to 1F) and input mode (0 to 2), two hex digits each
    Choice,   // exactly one of Choices
    Code,     // nine-character event code followed by "0" or "1"
    ReadOnly, // the unit reports it; it cannot be written
};

constexpr unsigned kSimGen0 = 1u << 0;
constexpr unsigned kSimGen1 = 1u << 1;
constexpr unsigned kSimGen2 = 1u << 2;
constexpr unsigned kSimGenAll = kSimGen0 | kSimGen1 | kSimGen2;

struct TSimParam {
    std::string Key;  // "+O", "+f03", "+Z02"
    std::string Name; // control name, empty when no single control shows it
    TSimParamKind Kind = TSimParamKind::Text;
    unsigned Generations = kSimGenAll;
    std::string Factory;
    int Width = 0;    // Hex
    unsigned Max = 0; // Hex
    std::vector<std::string> Choices;
};

class TSimStore {
public:
    TSimStore();

    // By key ("+g", "+f01", "+z03") or control name ("etGPRSphone"); null when unknown.
    const TSimParam* Find(std::string_view keyOrName) const;
    const std::string& Get(const TSimParam& param) const;
    void Set(const TSimParam& param, std::string value);
    void Reset(); // factory values

    // The text to keep for a written argument, or nothing when the unit refuses it.
    static std::optional<std::string> Accept(const TSimParam& param, std::string_view arg);

private:
    std::vector<TSimParam> FParams;
    std::map<std::string, std::string, std::less<>> FValues;
};
