// Feeds arbitrary bytes to ExtractReplyValue as a unit's reply and checks
// that the value is exactly what lies between the reply's first ">" and the
// CR LF that follows it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ReplyValue.h"

namespace {
void Check(bool ok) {
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    const std::string_view reply(reinterpret_cast<const char*>(Data), Size);
    const std::string value = ExtractReplyValue(reply);
    const std::size_t mark = reply.find('>');
    if (mark == std::string_view::npos) {
        Check(value.empty());
        return 0;
    }
    const std::string_view rest = reply.substr(mark + 1);
    const bool closed = rest.find("\r\n") != std::string_view::npos;
    Check(closed || value.empty());
    if (closed) {
        Check(rest.starts_with(value));
        Check(rest.substr(value.size()).starts_with("\r\n"));
        Check(value.find("\r\n") == std::string::npos);
    }
    return 0;
}
