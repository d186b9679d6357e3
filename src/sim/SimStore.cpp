#include "sim/SimStore.h"

#include "toolkit/TextUtil.h"

namespace {

constexpr unsigned kGen02 = kSimGen0 | kSimGen2;

TSimParam Text(std::string key, std::string name, std::string factory, unsigned gens = kSimGenAll) {
    TSimParam p;
    p.Key = std::move(key);
    p.Name = std::move(name);
    p.Kind = TSimParamKind::Text;
    p.Generations = gens;
    p.Factory = std::move(factory);
    return p;
}

TSimParam Hex(std::string key, std::string name, int width, unsigned max, unsigned factory,
              unsigned gens = kSimGenAll) {
    TSimParam p;
    p.Key = std::move(key);
    p.Name = std::move(name);
    p.Kind = TSimParamKind::Hex;
    p.Generations = gens;
    p.Width = width;
    p.Max = max;
    p.Factory = IntToHexUpper(factory, width);
    return p;
}

TSimParam Other(std::string key, TSimParamKind kind, unsigned gens, std::string factory,
                std::string name = {}) {
    TSimParam p;
    p.Key = std::move(key);
    p.Name = std::move(name);
    p.Kind = kind;
    p.Generations = gens;
    p.Factory = std::move(factory);
    return p;
}

TSimParam Choice(std::string key, std::string name, std::vector<std::string> choices,
                 unsigned gens) {
    TSimParam p =
        Other(std::move(key), TSimParamKind::Choice, gens, choices.front(), std::move(name));
    p.Choices = std::move(choices);
    return p;
}

// Factory values differ from the program's own page defaults on purpose, so a
// test can tell a value read from the unit from one the program filled in.
std::vector<TSimParam> FactoryParams() {
    std::vector<TSimParam> v{
        Other("+O", TSimParamKind::Decimal, kSimGenAll, "0123", "etObjNum"),
        Text("+h", "etPhone", "+79161234567"),
        Hex("+l", "etLat", 4, 0xFFFF, 260),
        Hex("+L", "etLon", 4, 0xFFFF, 320),
        Hex("+s", "etGPSrestartt", 2, 0xFF, 7),
        Hex("+o", "etGPSpostime", 2, 0xFF, 2),
        Hex("+t", "etModemCheckt", 2, 0xFF, 5),
        Hex("+T", "etModemTryes", 2, 0xFF, 4),
        Choice("+c", "cbGPRS", {"00", "FF"}, kSimGenAll),
        Text("+g", "etGPRSphone", "*99***1#"),
        Text("+G", "etAccessPoint", "internet.example"),
        Text("+B", "etLoginGPRS", "gprsuser"),
        Text("+b", "etPswdGPRS", "gprspass"),
        Text("+I", "etIp", "192.0.2.17"),
        Text("+j", "etPort", "4001"),
        Text("+N", "etPswd", "Unit7731"),
        Hex("+A", "etGPRSTryes", 2, 0xFF, 5),
        Hex("+a", "etGPRSTimeout", 2, 0xFF, 10),
        Hex("+D", "etServerTryes", 2, 0xFF, 4),
        Hex("+d", "etServerTimeout", 2, 0xFF, 15),
        // A flag byte: the unit keeps every bit it is given, the two it has
        // switches for and any a newer firmware uses.
        Hex("+R", "", 2, 0xFF, 0x01, kSimGen0),
        Hex("+q", "seACCCheckTime", 2, 0xFF, 12, kGen02),
        Choice("+K", "cbAccTest", {"00", "01"}, kGen02),
        Hex("+k", "", 2, 0x03, 0x00),
        Other("+S", TSimParamKind::ReadOnly, kGen02, "10"),
        Other("+M", TSimParamKind::ReadOnly, kGen02, "0000"),
        Other("+Z", TSimParamKind::MaskMode, kGen02, "0500"),
        Hex("+z", "", 2, 0x1F, 0x12, kGen02),
    };
    // As this program writes them: the ten digits of the national number.
    const char* phones[5] = {"9161112233", "9031234567", "", "", ""};
    for (int n = 1; n <= 5; ++n)
        v.push_back(Text("+f0" + std::to_string(n), "etPhone" + std::to_string(n), phones[n - 1],
                         kSimGen0));
    for (int k = 0; k <= 4; ++k) {
        const std::string row = std::to_string(k);
        const std::string number = std::to_string(k + 1);
        v.push_back(Other("+Z0" + row, TSimParamKind::Code, kSimGen1, "11200200" + number + "1"));
        v.push_back(Other("+z0" + row, TSimParamKind::Code, kSimGen1, "31200200" + number + "0"));
    }
    return v;
}

std::optional<unsigned> ParseHex(std::string_view s) {
    if (s.empty() || s.size() > 8)
        return std::nullopt;
    unsigned long long v = 0;
    for (char c : s) {
        const int d = HexDigitValue(c);
        if (d < 0)
            return std::nullopt;
        v = v * 16 + static_cast<unsigned>(d);
    }
    return static_cast<unsigned>(v);
}

bool AllDecimal(std::string_view s) {
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

TSimStore::TSimStore() : FParams(FactoryParams()) {
    Reset();
}

const TSimParam* TSimStore::Find(std::string_view keyOrName) const {
    for (const TSimParam& p : FParams)
        if (p.Key == keyOrName || (!p.Name.empty() && p.Name == keyOrName))
            return &p;
    return nullptr;
}

const std::string& TSimStore::Get(const TSimParam& param) const {
    return FValues.find(param.Key)->second;
}

void TSimStore::Set(const TSimParam& param, std::string value) {
    FValues[param.Key] = std::move(value);
}

void TSimStore::Reset() {
    FValues.clear();
    for (const TSimParam& p : FParams)
        FValues[p.Key] = p.Factory;
}

std::optional<std::string> TSimStore::Accept(const TSimParam& param, std::string_view arg) {
    switch (param.Kind) {
    case TSimParamKind::Text:
        return std::string(arg);
    case TSimParamKind::Decimal:
        if (arg.size() > 9 || !AllDecimal(arg))
            return std::nullopt;
        return std::string(arg);
    case TSimParamKind::Hex: {
        const auto v = ParseHex(arg);
        if (!v || *v > param.Max)
            return std::nullopt;
        return IntToHexUpper(*v, param.Width);
    }
    case TSimParamKind::MaskMode: {
        if (arg.size() != 4)
            return std::nullopt;
        const auto mask = ParseHex(arg.substr(0, 2));
        const auto mode = ParseHex(arg.substr(2, 2));
        if (!mask || !mode || *mask > 0x1F || *mode > 2)
            return std::nullopt;
        return IntToHexUpper(*mask, 2) + IntToHexUpper(*mode, 2);
    }
    case TSimParamKind::Choice:
        for (const std::string& c : param.Choices)
            if (arg == c)
                return c;
        return std::nullopt;
    case TSimParamKind::Code:
        if (arg.size() != 10 || (arg.back() != '0' && arg.back() != '1'))
            return std::nullopt;
        return std::string(arg);
    case TSimParamKind::ReadOnly:
        return std::nullopt;
    }
    return std::nullopt;
}
