#pragma once
// TIniFile: one settings file (INI format, names compared without regard to
// letter case). The whole file is read once when the object is made; reads
// and writes then work on the lines in memory, and UpdateFile puts every
// change made since into the file in one crash-safe replacement, leaving all
// lines that were not written byte for byte as they were. A missing file
// reads as an empty one. A new file is readable by its owner alone, since
// settings hold passwords; a replaced one keeps its permissions.
//
// On disk the file is Windows-1251, or UTF-8 with or without the
// byte-order mark an editor may put there (DecodeFileText); it is written
// back in the encoding it was read in, the mark kept or left out. Names and values are UTF-8 here.
// A value that a Windows-1251 file cannot carry is stored with "?" in place of the characters it
// lacks.
//
// A file larger than MaxFileSize (or one that could not be read) is read as
// far as it goes, and one whose text cannot be trusted (marked as UTF-8 but
// not) is read as it decodes; UpdateFile refuses
// to replace either, since that would lose what was not read or mix two
// encodings in one file.
//
// Threading: one thread at a time per object.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/Cp1251.h"
#include "toolkit/FileIo.h"
#include "toolkit/IniDocument.h"

class TIniFile {
public:
    static constexpr std::size_t MaxFileSize = 4 * 1024 * 1024;

    explicit TIniFile(std::string FileName);

    const std::string& FileName() const { return FFileName; }

    std::string ReadString(std::string_view Section, std::string_view Ident,
                           std::string_view Default) const;
    // Signed decimal or "$" hexadecimal; the default when missing or not a number.
    std::int32_t ReadInteger(std::string_view Section, std::string_view Ident,
                             std::int32_t Default) const;
    // The value as an integer, true when not 0; the default when missing or not a number.
    bool ReadBool(std::string_view Section, std::string_view Ident, bool Default) const;
    bool ValueExists(std::string_view Section, std::string_view Ident) const;
    bool SectionExists(std::string_view Section) const;
    std::vector<std::string> ReadSection(std::string_view Section) const; // key names
    std::vector<std::string> ReadSections() const;

    // Throw std::invalid_argument for a section or key name that the file
    // could not hold (see TIniDocument).
    void WriteString(std::string_view Section, std::string_view Ident, std::string_view Value);
    void WriteInteger(std::string_view Section, std::string_view Ident, std::int32_t Value);
    void WriteBool(std::string_view Section, std::string_view Ident, bool Value);
    // The key is gone from the file (nothing when it is not there).
    void DeleteKey(std::string_view Section, std::string_view Ident);

    bool Modified() const { return FModified; }
    // False when the file was too large, unreadable or in an encoding that
    // cannot be trusted: UpdateFile will refuse.
    bool LoadedCompletely() const { return FLoadProblem.empty(); }
    // Why it was not read completely, for a message; empty when it was.
    const std::string& LoadProblem() const { return FLoadProblem; }
    // The file was there when the object was made (read or not).
    bool FileFound() const { return FFileFound; }
    TTextEncoding Encoding() const { return FEncoding; }

    // Writes the changes, if any, into the file. Throws EFileError naming the
    // file when it cannot; the file on disk is then unchanged.
    void UpdateFile();

    // Fault injection for tests (see ReplaceFileContents).
    void SetFaultHook(TFileFaultHook Hook) { FFaultHook = std::move(Hook); }

private:
    std::string Storable(std::string_view Utf8) const;

    std::string FFileName;
    TIniDocument FDocument;
    std::string FLoadProblem;
    bool FReadInPart = false;
    bool FFileFound = false;
    TTextEncoding FEncoding = TTextEncoding::Cp1251;
    bool FModified = false;
    TFileFaultHook FFaultHook;
};
