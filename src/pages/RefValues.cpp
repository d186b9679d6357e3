#include "pages/RefValues.h"

#include <algorithm>

#include "toolkit/TextUtil.h"

std::vector<std::pair<std::string, std::string>>::const_iterator
TRefValues::Locate(std::string_view name) const {
    return std::find_if(FEntries.begin(), FEntries.end(),
                        [&](const auto& entry) { return SameTextAscii(entry.first, name); });
}

void TRefValues::AddBlank(std::string_view name) {
    Set(name, " ");
}

void TRefValues::Set(std::string_view name, std::string_view value) {
    std::lock_guard lock(FMutex);
    const auto it = Locate(name);
    if (value.empty()) {
        if (it != FEntries.end())
            FEntries.erase(it);
        return;
    }
    if (it != FEntries.end())
        FEntries[static_cast<std::size_t>(it - FEntries.begin())].second = value;
    else
        FEntries.emplace_back(std::string(name), std::string(value));
}

std::optional<std::string> TRefValues::Find(std::string_view name) const {
    std::lock_guard lock(FMutex);
    const auto it = Locate(name);
    if (it == FEntries.end())
        return std::nullopt;
    return it->second;
}

std::string TRefValues::Get(std::string_view name) const {
    return TrimBlanks(Find(name).value_or(std::string()));
}

std::vector<std::string> TRefValues::Lines() const {
    std::lock_guard lock(FMutex);
    std::vector<std::string> lines;
    lines.reserve(FEntries.size());
    for (const auto& [name, value] : FEntries)
        lines.push_back(name + "=" + value);
    return lines;
}

std::size_t TRefValues::Count() const {
    std::lock_guard lock(FMutex);
    return FEntries.size();
}
