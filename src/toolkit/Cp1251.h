#pragma once
// Windows-1251 <-> UTF-8 conversion. Every byte that leaves or enters the
// program (serial line, INI files, descriptions, log) is Windows-1251; inside,
// text is UTF-8. Convert at those edges only. A text file an editor saved as
// UTF-8 (with its byte-order mark or without) is the one exception:
// DecodeFileText and EncodeFileText are the one way every file the program
// reads is decoded.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Decoding never fails: every byte has a character. The one byte Windows-1251
// leaves undefined, 0x98, decodes to U+0098 so that it survives a round trip.
std::string Cp1251ToUtf8(std::string_view bytes);

struct TCp1251Encoding {
    std::string Bytes;                 // the encoded text, unencodable characters left out
    std::vector<char32_t> Unencodable; // characters with no Windows-1251 form, in order
    bool InvalidUtf8 = false;          // the input was not valid UTF-8
    bool Ok() const { return Unencodable.empty() && !InvalidUtf8; }
};

// Encodes UTF-8 text; reports every character it could not encode instead of
// silently replacing it.
TCp1251Encoding Utf8ToCp1251(std::string_view utf8);

// For logs and files where something must be written: unencodable characters
// become '?'.
std::string Utf8ToCp1251Lossy(std::string_view utf8);

// The first control character of UTF-8 text: C0 (CR, LF, NUL, TAB, ...),
// DEL or C1 (U+0080..U+009F). Nothing when it has none.
std::optional<char32_t> FirstControlCharacter(std::string_view utf8);

// Why a text cannot go to the unit as it stands: it holds a control character
// (CR, LF, NUL, ...) or a character Windows-1251 cannot carry. Empty when the
// text is fine.
std::optional<std::string> WireTextProblem(std::string_view utf8);

// U+XXXX notation used in messages about unencodable characters.
std::string CodePointName(char32_t cp);

// Takes a UTF-8 byte-order mark off the front of a file's bytes and returns
// it (empty when there is none). Editors put one in front of a file they
// save as UTF-8; read as Windows-1251 it would be three letters glued to the
// first line.
std::string_view SkipByteOrderMark(std::string_view& bytes);

// Utf8Unmarked: UTF-8 as most editors save it now, without the mark.
enum class TTextEncoding { Cp1251, Utf8, Utf8Unmarked };

// A text file's contents as the program takes them.
struct TFileText {
    enum TProblem {
        None,
        // Marked as UTF-8 but not valid UTF-8: each bad byte became U+FFFD.
        BadUtf8,
    };
    std::string Text; // UTF-8, without the mark
    TTextEncoding Encoding = TTextEncoding::Cp1251;
    TProblem Problem = None;
};

// A file that begins with the UTF-8 byte-order mark is UTF-8; so is one
// without it whose bytes beyond ASCII are valid UTF-8 (Windows-1251 text
// with letters in it practically never is: its letters would have to pair
// up as UTF-8 sequences throughout); every other file is Windows-1251. A
// file whose Problem is not None cannot be trusted: its reader refuses it
// rather than take letters nobody wrote.
TFileText DecodeFileText(std::string_view bytes);

// The bytes of a file of that encoding: UTF-8 with the mark in front or
// without it, or Windows-1251 with '?' for the characters it lacks. One file, one encoding:
// text decoded from a file goes back in the encoding it came in.
std::string EncodeFileText(std::string_view utf8, TTextEncoding encoding);
