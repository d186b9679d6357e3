// Feeds arbitrary bytes to the readings of the inputs/outputs values: the
// "+Z" value (restore mask and input mode), the one-byte masks and flags
// ("+z", "+k") and a generation-1 event code ("+Z0"k). Checks that a value
// is taken exactly when its parts are hexadecimal, that what is taken fits
// its field, that what the page writes reads back the same, and that an
// event code splits into nine characters and a flag without losing a byte.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "params/WireValue.h"
#include "toolkit/TextUtil.h"

namespace {
void Check(bool ok) {
    if (!ok)
        std::abort();
}

// A hexadecimal field of at most two characters, by hand; -1 when it is not.
int HexField(std::string_view text) {
    int value = 0;
    for (char c : text) {
        const int d = HexDigitValue(c);
        if (d < 0)
            return -1;
        value = value * 16 + d;
    }
    return value;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view value(reinterpret_cast<const char*>(data), size);

    const auto masks = InputMasksValue(value);
    const int restore = HexField(value.substr(0, 2));
    const int mode = HexField(value.size() > 2 ? value.substr(2, 2) : std::string_view());
    Check(masks.has_value() == (restore >= 0 && mode >= 0));
    if (masks) {
        Check(masks->Restore == restore && masks->Mode == mode);
        Check(masks->Restore <= 0xFF && masks->Mode <= 0xFF);
    }

    // What the page writes ("+Z", mask, mode 00..02) reads back as written.
    if (size >= 1) {
        const int sentMask = data[0];
        const int sentMode = size >= 2 ? data[1] % 3 : 0;
        const auto back = InputMasksValue(IntToHexUpper(sentMask, 2) + IntToHexUpper(sentMode, 2));
        Check(back && back->Restore == sentMask && back->Mode == sentMode);
    }

    // A one-byte mask or flag value: two hex digits at most read as written.
    if (size <= 2) {
        const auto flags = HexReplyValue(value);
        Check(flags.has_value() == (HexField(value) >= 0));
        if (flags)
            Check(*flags == HexField(value));
    }

    const auto event = EventCodeValue(value);
    Check(event.has_value() == (CharacterCount(value) == EventCodeLength + 1));
    if (event) {
        Check(value.starts_with(event->Code));
        const std::string_view flag = value.substr(event->Code.size());
        Check(CharacterCount(event->Code) == EventCodeLength && CharacterCount(flag) == 1);
        Check(event->On == (flag != "0"));
    }
    return 0;
}
