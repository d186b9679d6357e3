#include "toolkit/IniFile.h"

#include <stdexcept>

#include "toolkit/Colors.h"
#include "toolkit/Cp1251.h"

namespace {
std::string Disk(std::string_view utf8) {
    return Utf8ToCp1251Lossy(utf8);
}
} // namespace

TIniFile::TIniFile(std::string FileName) : FFileName(std::move(FileName)) {
    const TFileRead read = ReadFileBytes(FFileName, MaxFileSize);
    FFileFound = read.Status != TFileRead::Missing;
    if (read.Status == TFileRead::Failed)
        FLoadProblem = read.Error;
    else if (read.Truncated)
        FLoadProblem = "файл больше " + std::to_string(MaxFileSize / (1024 * 1024)) + " МБ";
    if (!FDocument.Parse(read.Bytes) && FLoadProblem.empty())
        FLoadProblem = "в файле больше " + std::to_string(TIniDocument::MaxLines) + " строк";
}

std::string TIniFile::ReadString(std::string_view Section, std::string_view Ident,
                                 std::string_view Default) const {
    if (auto v = FDocument.Find(Disk(Section), Disk(Ident)))
        return Cp1251ToUtf8(*v);
    return std::string(Default);
}

std::int32_t TIniFile::ReadInteger(std::string_view Section, std::string_view Ident,
                                   std::int32_t Default) const {
    if (auto v = FDocument.Find(Disk(Section), Disk(Ident)))
        if (auto n = StrToIntStrict(*v))
            return *n;
    return Default;
}

bool TIniFile::ReadBool(std::string_view Section, std::string_view Ident, bool Default) const {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

bool TIniFile::ValueExists(std::string_view Section, std::string_view Ident) const {
    return FDocument.Find(Disk(Section), Disk(Ident)).has_value();
}

bool TIniFile::SectionExists(std::string_view Section) const {
    return FDocument.HasSection(Disk(Section));
}

std::vector<std::string> TIniFile::ReadSection(std::string_view Section) const {
    std::vector<std::string> keys = FDocument.Keys(Disk(Section));
    for (std::string& k : keys)
        k = Cp1251ToUtf8(k);
    return keys;
}

std::vector<std::string> TIniFile::ReadSections() const {
    std::vector<std::string> names = FDocument.Sections();
    for (std::string& n : names)
        n = Cp1251ToUtf8(n);
    return names;
}

void TIniFile::WriteString(std::string_view Section, std::string_view Ident,
                           std::string_view Value) {
    const std::string section = Disk(Section);
    const std::string key = Disk(Ident);
    if (!TIniDocument::IsValidSectionName(section))
        throw std::invalid_argument("invalid INI section name \"" + std::string(Section) + "\"");
    if (!TIniDocument::IsValidKeyName(key))
        throw std::invalid_argument("invalid INI key name \"" + std::string(Ident) + "\"");
    FDocument.Set(section, key, Disk(Value));
    FModified = true;
}

void TIniFile::WriteInteger(std::string_view Section, std::string_view Ident, std::int32_t Value) {
    WriteString(Section, Ident, std::to_string(Value));
}

void TIniFile::WriteBool(std::string_view Section, std::string_view Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

void TIniFile::DeleteKey(std::string_view Section, std::string_view Ident) {
    if (!ValueExists(Section, Ident))
        return;
    FDocument.Remove(Disk(Section), Disk(Ident));
    FModified = true;
}

void TIniFile::UpdateFile() {
    if (!FModified)
        return;
    if (!FLoadProblem.empty())
        throw EFileError(FFileName, "Файл \"" + FFileName + "\" не перезаписан: " + FLoadProblem +
                                        " (прочитан не полностью)");
    ReplaceFileContents(FFileName, FDocument.Serialize(), FFaultHook);
    FModified = false;
}
