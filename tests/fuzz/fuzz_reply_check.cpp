// Feeds arbitrary bytes to the link's reply handling as they come off the
// line: cut into chunks where the input says, collected under the length
// limit with the unit's end mark, decoded from Windows-1251 and judged as
// each kind of reply. Checks that the end mark is found however the chunks
// split it, that what is kept and what is dropped add up to what came, that
// decoding neither makes nor hides a protocol word, and that the verdict
// follows the words the reply carries.
//
// Input: one byte of chunk-size seed, one of length limit, then the line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/ReplyBuffer.h"
#include "link/ReplyCheck.h"
#include "toolkit/Cp1251.h"
#include "toolkit/TextUtil.h"

namespace {
void Check(bool ok) {
    if (!ok)
        std::abort();
}

bool Has(std::string_view text, std::string_view word) {
    return text.find(word) != std::string_view::npos;
}

void CheckVerdict(bool noReply, std::string_view text, TReplyKind kind) {
    const TReplyVerdict v = ClassifyReply(noReply, text, kind);
    Check(v.Code >= 0 && v.Code <= 2);
    Check((v.Message != nullptr) == (v.Code == 1));
    const bool lost = Has(text, "NO CARRIER") || Has(text, "DISCONNECT") || Has(text, "BUSY");
    if (kind == ckLink) {
        Check((v.Code == 1) == lost);
        Check((v.Code == 2) == (!lost && Has(text, "ERROR")));
        Check(v.Terminate == lost);
        return;
    }
    Check(v.Code != 2);
    const bool good = !noReply && !Has(text, "ERROR") && !Has(text, "NO CARRIER") &&
                      Has(text, kind == ckDial ? "CONNECT" : "OK");
    Check((v.Code == 0) == good);
    Check(v.Terminate == (kind == ckDial && noReply));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const unsigned chunkSeed = data[0];
    const std::size_t limit = data[1] * 4u;
    const std::string_view line(reinterpret_cast<const char*>(data + 2), size - 2);

    const std::string mark = "OK\r\n";
    TReplyBuffer buffer(limit, mark);
    std::uint32_t state = chunkSeed * 2654435761u + 1;
    for (std::size_t at = 0; at < line.size();) {
        state = state * 1103515245u + 12345u;
        const std::size_t n = 1 + (state >> 16) % 7;
        buffer.Append(line.substr(at, n));
        at += n;
    }
    Check(buffer.MarkSeen() == (FindNoCaseAscii(line, mark) != std::string::npos));
    Check(buffer.Kept() == line.substr(0, limit));
    Check(buffer.Total() == line.size());

    const std::string text = Cp1251ToUtf8(buffer.Kept());
    for (const char* word : {"OK", "ERROR", "NO CARRIER", "DISCONNECT", "BUSY", "CONNECT"})
        Check(Has(text, word) == Has(buffer.Kept(), word));
    for (TReplyKind kind : {ckCommand, ckDial, ckLink})
        for (bool noReply : {false, true})
            CheckVerdict(noReply, text, kind);
    return 0;
}
