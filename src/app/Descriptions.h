#pragma once
// The parameter descriptions of "discription.txt": one per line, the key
// (the parameter number as written, blanks included) before the first comma,
// the description after it. Looking a key up ignores letter case; the first
// line with that key wins; an unknown key gives the empty text. The file is
// Windows-1251, or UTF-8 with or without its mark (DecodeFileText); one
// whose text cannot be trusted gives no descriptions rather than wrong ones.
//
// Threading: loaded on the GUI thread at start-up; lookups from any thread.

#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TDescriptionTable {
public:
    void Clear();
    // One line of the file, decoded. Blank lines and lines without a comma
    // add nothing.
    void AddLine(std::string_view line);
    // Rebuilds the table from the file. A missing or unreadable file leaves
    // what could be read (nothing, when missing); nothing is reported. Files
    // are read up to 4 MiB.
    void Load(const std::string& FileName);
    std::string Lookup(std::string_view key) const;
    std::size_t Count() const;

private:
    struct TEntry {
        std::string Key;
        std::string Description;
    };
    mutable std::mutex FMutex;
    std::vector<TEntry> FEntries;                        // file order, UTF-8
    std::unordered_map<std::string, std::size_t> FFirst; // folded key -> first entry
};

// Where "discription.txt" is read from: the program's folder (or the one
// --home names), else the copy beside the executable, else the one
// installed with the program. The first that exists; the first place when
// none does.
std::string DescriptionFile();
