#include "app/Descriptions.h"

#include <filesystem>

#include "toolkit/Cp1251.h"
#include "toolkit/Cp1251Case.h"
#include "toolkit/FileIo.h"
#include "toolkit/ProgramFolder.h"
#include "toolkit/TextUtil.h"

namespace {
constexpr std::size_t MaxDescriptionFile = 4 * 1024 * 1024;
}

void TDescriptionTable::Clear() {
    std::lock_guard lock(FMutex);
    FEntries.clear();
    FFirst.clear();
}

void TDescriptionTable::AddLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (TrimBlanks(line).empty())
        return;
    const size_t comma = line.find(',');
    if (comma == std::string_view::npos)
        return;
    const std::string_view key = line.substr(0, comma);
    std::lock_guard lock(FMutex);
    FFirst.try_emplace(FoldCaseUtf8(key), FEntries.size());
    FEntries.push_back({std::string(key), std::string(line.substr(comma + 1))});
}

std::string TDescriptionTable::Lookup(std::string_view key) const {
    const std::string folded = FoldCaseUtf8(key);
    std::lock_guard lock(FMutex);
    const auto it = FFirst.find(folded);
    return it == FFirst.end() ? std::string() : FEntries[it->second].Description;
}

std::size_t TDescriptionTable::Count() const {
    std::lock_guard lock(FMutex);
    return FEntries.size();
}

void TDescriptionTable::Load(const std::string& FileName) {
    Clear();
    const TFileRead read = ReadFileBytes(FileName, MaxDescriptionFile);
    std::string_view bytes = read.Bytes;
    if (read.Truncated) {
        // The last line was cut by the size cap: it is not a line of the file.
        const size_t lastBreak = bytes.rfind('\n');
        bytes =
            lastBreak == std::string_view::npos ? std::string_view() : bytes.substr(0, lastBreak);
    }
    const TFileText decoded = DecodeFileText(bytes);
    if (decoded.Problem != TFileText::None)
        return;
    const std::string_view text = decoded.Text;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t lf = text.find('\n', pos);
        const size_t end = lf == std::string_view::npos ? text.size() : lf;
        AddLine(text.substr(pos, end - pos));
        pos = end + 1;
    }
}

std::string DescriptionFile() {
    const std::string name = "discription.txt";
    for (const std::string& folder : {ProgramFolder(), ExecutableFolder(), InstalledDataFolder()}) {
        std::error_code ec;
        const std::string file = folder + name;
        if (!folder.empty() && std::filesystem::exists(std::u8string(file.begin(), file.end()), ec))
            return file;
    }
    return ProgramFolder() + name;
}
