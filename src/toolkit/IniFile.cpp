#include "toolkit/IniFile.h"

#include <stdexcept>

#include "toolkit/Colors.h"

TIniFile::TIniFile(std::string FileName) : FFileName(std::move(FileName)) {
    const TFileRead read = ReadFileBytes(FFileName, MaxFileSize);
    FFileFound = read.Status != TFileRead::Missing;
    FReadInPart = read.Status == TFileRead::Failed || read.Truncated;
    if (read.Status == TFileRead::Failed)
        FLoadProblem = read.Error;
    else if (read.Truncated)
        FLoadProblem = "файл больше " + std::to_string(MaxFileSize / (1024 * 1024)) + " МБ";
    const TFileText text = DecodeFileText(read.Bytes);
    FEncoding = text.Encoding;
    if (FLoadProblem.empty() && text.Problem == TFileText::BadUtf8)
        FLoadProblem = "файл помечен как UTF-8, но его текст не в этой кодировке";
    if (!FDocument.Parse(text.Text) && FLoadProblem.empty()) {
        FLoadProblem = "в файле больше " + std::to_string(TIniDocument::MaxLines) + " строк";
        FReadInPart = true;
    }
}

std::string TIniFile::ReadString(std::string_view Section, std::string_view Ident,
                                 std::string_view Default) const {
    if (auto v = FDocument.Find(Section, Ident))
        return *v;
    return std::string(Default);
}

std::int32_t TIniFile::ReadInteger(std::string_view Section, std::string_view Ident,
                                   std::int32_t Default) const {
    if (auto v = FDocument.Find(Section, Ident))
        if (auto n = StrToIntStrict(*v))
            return *n;
    return Default;
}

bool TIniFile::ReadBool(std::string_view Section, std::string_view Ident, bool Default) const {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

bool TIniFile::ValueExists(std::string_view Section, std::string_view Ident) const {
    return FDocument.Find(Section, Ident).has_value();
}

bool TIniFile::SectionExists(std::string_view Section) const {
    return FDocument.HasSection(Section);
}

std::vector<std::string> TIniFile::ReadSection(std::string_view Section) const {
    return FDocument.Keys(Section);
}

std::vector<std::string> TIniFile::ReadSections() const {
    return FDocument.Sections();
}

std::string TIniFile::Storable(std::string_view Utf8) const {
    // What the file will hold, read back: a UTF-8 file holds every
    // character, a Windows-1251 one "?" for those it lacks.
    return DecodeFileText(EncodeFileText(Utf8, FEncoding)).Text;
}

void TIniFile::WriteString(std::string_view Section, std::string_view Ident,
                           std::string_view Value) {
    const std::string section = Storable(Section);
    const std::string key = Storable(Ident);
    if (!TIniDocument::IsValidSectionName(section))
        throw std::invalid_argument("invalid INI section name \"" + std::string(Section) + "\"");
    if (!TIniDocument::IsValidKeyName(key))
        throw std::invalid_argument("invalid INI key name \"" + std::string(Ident) + "\"");
    FDocument.Set(section, key, Storable(Value));
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
    FDocument.Remove(Section, Ident);
    FModified = true;
}

void TIniFile::UpdateFile() {
    if (!FModified)
        return;
    if (!FLoadProblem.empty())
        throw EFileError(FFileName, "Файл \"" + FFileName + "\" не перезаписан: " + FLoadProblem +
                                        (FReadInPart ? " (прочитан не полностью)" : ""));
    ReplaceFileContents(FFileName, EncodeFileText(FDocument.Serialize(), FEncoding), FFaultHook);
    FModified = false;
}
