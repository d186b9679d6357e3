#include "toolkit/Colors.h"

#include <array>
#include <cstdio>
#include <utility>

#include "toolkit/TextUtil.h"

namespace {

constexpr std::array<std::pair<TColor, std::string_view>, 43> kNames = {{
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
}};

} // namespace

std::string ColorToString(TColor color) {
    for (const auto& [value, name] : kNames)
        if (value == color)
            return std::string(name);
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(color));
    return buf;
}

std::optional<std::int32_t> StrToIntStrict(std::string_view text) {
    if (text.empty())
        return std::nullopt;
    std::int64_t v = 0;
    if (text[0] == '$') {
        if (text.size() == 1 || text.size() > 9)
            return std::nullopt;
        for (char c : text.substr(1)) {
            const int d = HexDigitValue(c);
            if (d < 0)
                return std::nullopt;
            v = v * 16 + d;
        }
        // "$FFFFFFFF" is -1, as a 32-bit value read from hexadecimal.
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    }
    size_t i = 0;
    bool negative = false;
    if (text[0] == '-' || text[0] == '+') {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size())
        return std::nullopt;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        v = v * 10 + (text[i] - '0');
        if (v > 2147483648LL)
            return std::nullopt;
    }
    if (negative)
        v = -v;
    if (v > 2147483647LL)
        return std::nullopt;
    return static_cast<std::int32_t>(v);
}

std::optional<TColor> StringToColor(std::string_view text) {
    for (const auto& [value, name] : kNames)
        if (SameTextAscii(name, text))
            return value;
    if (auto n = StrToIntStrict(text))
        return static_cast<TColor>(*n);
    return std::nullopt;
}

bool IsSystemColor(TColor color) {
    return (color & 0xFF000000u) == clSystemColor;
}
