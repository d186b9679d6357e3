// Feeds arbitrary bytes to BlockLines as a block of records and checks that
// the splitting ends, that no line holds a line end, that the lines are the
// text's own pieces in order, and that none begins with "OK".

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "device/RecordText.h"
#include "toolkit/TextUtil.h"

namespace {
void Check(bool ok) {
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view text(reinterpret_cast<const char*>(Data), Size);
    const std::vector<std::string> lines = BlockLines(text);
    Check(lines.size() <= Size);
    std::size_t from = 0;
    for (const std::string& line : lines) {
        Check(line.find_first_of("\r\n") == std::string::npos);
        Check(!SameTextAscii(line.substr(0, 2), "OK"));
        const std::size_t at = text.find(line, from);
        Check(at != std::string_view::npos);
        from = at + line.size();
    }
    return 0;
}
