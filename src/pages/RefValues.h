#pragma once
// FRefValues: a page's reference table, the value of each control as last
// read from or written to the unit, by control name (letter case ignored).
// At page creation every value control gets an entry holding one blank, so
// that the entry exists; setting the empty text removes an entry.
//
// Threading: every method may be called from any thread (one mutex).

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TRefValues {
public:
    // The creation-time entry "name= ".
    void AddBlank(std::string_view Name);
    // Replaces or appends the entry; the empty value removes it.
    void Set(std::string_view Name, std::string_view Value);
    // The value with blanks trimmed; a missing entry reads as empty.
    std::string Get(std::string_view Name) const;
    // The value as stored (untrimmed), or nothing when the entry is missing.
    std::optional<std::string> Find(std::string_view Name) const;
    bool Contains(std::string_view Name) const { return Find(Name).has_value(); }
    // The entries in order, as "name=value" lines.
    std::vector<std::string> Lines() const;
    std::size_t Count() const;

private:
    std::vector<std::pair<std::string, std::string>>::const_iterator
    Locate(std::string_view Name) const;

    mutable std::mutex FMutex;
    std::vector<std::pair<std::string, std::string>> FEntries;
};
