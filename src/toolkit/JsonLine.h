#pragma once
// JSON text one value per line, written and read without a document model:
// a file of records that only grows (the journal of units written) is read
// whole each time it is opened, and a year of it must open in well under a
// second. The reader is strict (RFC 8259: no comments, no trailing commas,
// no control characters in strings, one value and nothing after it), so
// that a line cut short anywhere is never taken for a record; it checks
// what it skips as strictly as what it reads. Strings are UTF-8 as they
// stand; "\u" escapes become UTF-8 (a lone surrogate becomes U+FFFD).
//
// Threading: no shared state.

#include <functional>
#include <string>
#include <string_view>

// Text as a JSON string, quotes included: quote, backslash and control
// characters escaped, everything else as it stands.
std::string JsonQuoted(std::string_view Text);

class TJsonReader {
public:
    // Reads Text in place: it must outlive the reader.
    explicit TJsonReader(std::string_view Text) : FText(Text) {}

    // Each reads one value at the current place and moves past it; false,
    // leaving the reader failed, when the value is not of that kind or not
    // well formed. A failed reader fails every later call.
    //
    // Member runs for each member of an object with its key and must read
    // (or Skip) the value; Element for each element of an array.
    bool Object(const std::function<bool(const std::string& Key)>& Member);
    bool Array(const std::function<bool()>& Element);
    bool String(std::string& Value);
    // A number without fraction or exponent that fits.
    bool Integer(long long& Value);
    bool Boolean(bool& Value);
    // Any value, checked as strictly as if it were read.
    bool Skip();
    // Nothing but blanks is left, and nothing failed.
    bool AtEnd();

private:
    bool Fail();
    void Blanks();
    bool Literal(std::string_view Word);
    bool Number();

    std::string_view FText;
    std::size_t FAt = 0;
    bool FFailed = false;
    int FDepth = 0;       // objects and arrays open at the current place
    std::string FSkipped; // the text of a string skipped
};
