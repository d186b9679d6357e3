#pragma once
// The lines of an INI file in memory, with the lookups and in-place updates
// the settings files need. Works on the file's text as UTF-8; TIniFile
// decodes the file's bytes and encodes them again at its edge.
//
// A line "[name]" opens a section, a line "key=value" holds a value (key and
// value trimmed of blanks, the value starting after the first "="), every
// other line is kept as it is. Names compare without regard to letter case.
// Lines that are not changed are serialised byte for byte as they were read.
//
// Threading: a plain value object; one thread at a time.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TIniDocument {
public:
    // Lines beyond this count are dropped when parsing (Parse returns false).
    static constexpr std::size_t MaxLines = 100000;

    // Replaces the contents; false when the text had more lines than MaxLines.
    bool Parse(std::string_view text);
    std::string Serialize() const;

    // The trimmed value of the first key of that name in the first section of
    // that name that holds it; nothing when there is none.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const;
    std::vector<std::string> Keys(std::string_view section) const; // file order, no repeats
    std::vector<std::string> Sections() const;                     // file order, no repeats

    // Updates the key in place, or adds it at the end of its section, or adds
    // the section at the end of the file. Names must be valid (IsValidName);
    // line breaks and NUL in the value become blanks, since a value is one line.
    void Set(std::string_view section, std::string_view key, std::string_view value);
    // Removes every line of that key from the sections of that name.
    void Remove(std::string_view section, std::string_view key);

    // A section name holds no "]", a key no "="; neither may be empty, hold a
    // line break or NUL, or start or end with a blank (which reading would
    // strip); a key may not start with "[" or ";".
    static bool IsValidSectionName(std::string_view name);
    static bool IsValidKeyName(std::string_view name);

    std::size_t LineCount() const { return FLines.size(); }

private:
    enum class TKind { Other, Section, Key };
    struct TLine {
        std::string Text; // the line without its line break
        std::string Eol;  // "\r\n", "\n" or "" (last line without a break)
        TKind Kind = TKind::Other;
        std::string Folded; // section or key name, upper-cased, for comparison
        std::string Name;   // section or key name as written
        std::string Value;  // trimmed value of a key line
    };

    static TLine MakeLine(std::string text, std::string eol);
    std::string NewLineEol() const;
    // Index of the first line after the section that starts at `header`.
    std::size_t SectionEnd(std::size_t header) const;

    std::vector<TLine> FLines;
};
