// Feeds arbitrary bytes to the INI parser and checks what must hold for any
// file: unchanged lines come back byte for byte, a written value reads back,
// and writing one key changes no other value.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/Cp1251Case.h"
#include "toolkit/IniDocument.h"

namespace {
void Check(bool ok) {
    if (!ok)
        std::abort();
}

std::pair<std::string, std::string> PickTarget(const TIniDocument& doc, std::size_t seed) {
    std::string section = "Fuzz";
    std::string key = "Key";
    const std::vector<std::string> sections = doc.Sections();
    if (!sections.empty() && TIniDocument::IsValidSectionName(sections[seed % sections.size()]))
        section = sections[seed % sections.size()];
    const std::vector<std::string> keys = doc.Keys(section);
    if (!keys.empty() && seed % 3 != 0 && TIniDocument::IsValidKeyName(keys[seed % keys.size()]))
        key = keys[seed % keys.size()];
    return {section, key};
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TIniDocument doc;
    const bool complete = doc.Parse(bytes);
    if (complete)
        Check(doc.Serialize() == bytes);

    // Every value visible before the write, to compare afterwards.
    std::vector<std::pair<std::pair<std::string, std::string>, std::string>> before;
    for (const std::string& s : doc.Sections())
        for (const std::string& k : doc.Keys(s))
            before.push_back({{s, k}, *doc.Find(s, k)});

    const auto [section, key] = PickTarget(doc, size);
    const std::string value = "new value\r\n[Injected]\r\nx=1";
    doc.Set(section, key, value);

    TIniDocument again;
    if (!complete || !again.Parse(doc.Serialize()))
        return 0;
    const auto got = again.Find(section, key);
    Check(got.has_value() && *got == "new value  [Injected]  x=1");
    Check(again.HasSection("Injected") == doc.HasSection("Injected"));
    for (const auto& [name, old] : before) {
        if (FoldCaseUtf8(name.first) == FoldCaseUtf8(section) &&
            FoldCaseUtf8(name.second) == FoldCaseUtf8(key))
            continue;
        Check(again.Find(name.first, name.second) == old);
    }
    return 0;
}
