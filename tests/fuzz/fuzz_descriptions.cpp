// Feeds arbitrary bytes to the loading of the parameter description file and
// looks every key of the file up again, as the hint window does with the
// parameter number. Checks that each key finds the description of the first
// line that has it (letter case aside), in the file's own encoding, that a
// file whose text cannot be trusted gives nothing, that lines without a
// comma or with nothing but blanks add nothing, and that a key the file does
// not have finds nothing.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <string_view>

#include "app/Descriptions.h"
#include "toolkit/Cp1251.h"
#include "toolkit/Cp1251Case.h"
#include "toolkit/TextUtil.h"

namespace {
void Check(bool ok) {
    if (!ok)
        std::abort();
}

std::string FilePath;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string folder = (std::filesystem::temp_directory_path() / "orb-fuzz-XXXXXX").string();
    Check(mkdtemp(folder.data()) != nullptr);
    FilePath = folder + "/discription.txt";
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::path(FilePath).parent_path(), ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::ofstream(FilePath, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    TDescriptionTable table;
    table.Load(FilePath);
    // A text that cannot be trusted gives nothing; else the lines are those
    // of the decoded text.
    const TFileText decoded = DecodeFileText(bytes);
    if (decoded.Problem != TFileText::None) {
        Check(table.Count() == 0);
        return 0;
    }
    const std::string_view text = decoded.Text;

    // The file's lines by hand: the first description of each folded key.
    std::map<std::string, std::string> first;
    std::size_t entries = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t lf = text.find('\n', pos);
        const std::size_t end = lf == std::string_view::npos ? text.size() : lf;
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        const std::size_t comma = line.find(',');
        if (TrimBlanks(line).empty() || comma == std::string_view::npos)
            continue;
        ++entries;
        first.try_emplace(FoldCaseUtf8(line.substr(0, comma)), std::string(line.substr(comma + 1)));
    }
    Check(table.Count() == entries);
    for (const auto& [folded, description] : first)
        Check(table.Lookup(folded) == description);
    const std::string absent = std::string(1, '\x01') + "absent";
    Check(first.count(FoldCaseUtf8(absent)) != 0 || table.Lookup(absent).empty());
    return 0;
}
