// Feeds arbitrary bytes, as a list file of units, to the CSV reader. Checks
// what the batch relies on when it accepts a list: every unit has a port,
// no port twice, no empty per-unit value (an empty cell gives none), every
// text valid UTF-8 without a control character, line numbers rising; and
// that a file the reader accepts reads the same again when written back out
// quoted, so that quoting is undone exactly.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "batch/UnitsCsv.h"
#include "toolkit/Cp1251.h"

namespace {
void Check(bool ok) {
    if (!ok)
        std::abort();
}

bool ValidUtf8(std::string_view Text) {
    return !Utf8ToCp1251(Text).InvalidUtf8;
}

std::string Quoted(const std::string& Text) {
    std::string out = "\"";
    for (char c : Text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view bytes(reinterpret_cast<const char*>(Data), Size);
    std::string error;
    const auto units = ReadUnitsCsv(bytes, error);
    if (!units) {
        Check(!error.empty());
        return 0;
    }
    Check(!units->empty());
    std::set<std::string> ports;
    int line = 0;
    for (const TUnitRow& u : *units) {
        Check(!u.Port.empty() && ValidUtf8(u.Port) && ValidUtf8(u.Phone));
        Check(!FirstControlCharacter(u.Port) && !FirstControlCharacter(u.Phone));
        Check(ports.insert(u.Port).second);
        Check(u.Line > line);
        line = u.Line;
        for (const auto& [name, value] : u.Values)
            Check(!name.empty() && !value.empty() && ValidUtf8(name) && ValidUtf8(value) &&
                  !FirstControlCharacter(value));
    }

    // The table written back quoted (UTF-8, with a mark, commas) reads the
    // same: same fields in every row.
    std::string first;
    const auto table = ParseCsv(bytes, first);
    Check(table.has_value());
    std::string again = "\xEF\xBB\xBF";
    for (const auto& row : table->Rows) {
        for (std::size_t i = 0; i < row.size(); ++i)
            again += (i ? "," : "") + Quoted(row[i]);
        again += "\n";
    }
    std::string second;
    const auto reread = ParseCsv(again, second);
    Check(reread.has_value() && reread->Rows == table->Rows);
    return 0;
}
