// Feeds arbitrary bytes, as one line of the journal of units written, to
// its reader. Checks that a line taken for a record writes back to a line
// that reads as the same record (every field, every parameter), so that
// nothing a reader shows depends on how the line was spelt; that reading
// without the parameters counts them the same; and that skipping the line
// as any JSON value agrees with the reader on where a value is whole.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "services/Journal.h"
#include "toolkit/JsonLine.h"

namespace {
void Check(bool ok) {
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view line(reinterpret_cast<const char*>(Data), Size);
    TJsonReader json(line);
    const bool whole = json.Skip() && json.AtEnd();
    const auto record = ParseJournalLine(line);
    if (!record)
        return 0;
    Check(whole);
    const auto counted = ParseJournalLine(line, false);
    Check(counted && counted->Params.empty() && counted->Written == record->Written &&
          counted->Verified == record->Verified && counted->Failed == record->Failed);

    const std::string written = JournalLine(*record);
    Check(written.find('\n') == std::string::npos);
    const auto again = ParseJournalLine(written);
    Check(again.has_value());
    Check(JournalLine(*again) == written);
    Check(again->Params.size() == record->Params.size());
    for (std::size_t i = 0; i < again->Params.size(); ++i)
        Check(again->Params[i].Value == record->Params[i].Value &&
              again->Params[i].Note == record->Params[i].Note);
    return 0;
}
