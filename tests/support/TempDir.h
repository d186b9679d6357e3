#pragma once
// A fresh folder under the system's temporary folder, removed with everything
// in it when the object goes away. Names go in and come out as UTF-8, as the
// program hands them to its file layer, so a folder with Cyrillic letters in
// its name works on Windows as well.
// Threading: one owner.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

class TTempDir {
public:
    // The folder's name begins with Prefix; a random ending makes it unique.
    explicit TTempDir(const std::string& Prefix = "orb-test-");
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    std::string Path() const;
    // The full name of Name in the folder ("" names the folder itself).
    std::string File(const std::string& Name) const;

    void Write(const std::string& Name, const std::string& Bytes) const;
    std::string Read(const std::string& Name) const; // empty when missing
    std::size_t EntryCount() const;

private:
    std::filesystem::path FPath;
};

// The file's permission bits (0600, ...); 0 when it is not there; nothing
// on a platform that keeps no such bits (Windows), where the test then has
// nothing to compare.
std::optional<unsigned> PermissionBits(const std::string& Path);
