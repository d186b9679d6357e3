#include "TempDir.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

fs::path FromUtf8(const std::string& Text) {
    return fs::path(std::u8string(Text.begin(), Text.end()));
}

std::string ToUtf8(const fs::path& Path) {
    const std::u8string text = Path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace

TTempDir::TTempDir(const std::string& Prefix) {
    // create_directory says whether it made the folder, so a name another
    // process took meanwhile is never shared: the next candidate is tried.
    std::random_device seed;
    std::mt19937_64 random((static_cast<std::uint64_t>(seed()) << 32) ^ seed());
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / FromUtf8(Prefix + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            FPath = candidate;
            return;
        }
    }
    throw std::runtime_error("no fresh temporary folder under " + ToUtf8(base));
}

TTempDir::~TTempDir() {
    std::error_code ec;
    fs::remove_all(FPath, ec);
}

std::string TTempDir::Path() const {
    return ToUtf8(FPath);
}

std::string TTempDir::File(const std::string& Name) const {
    return ToUtf8(FPath / FromUtf8(Name));
}

void TTempDir::Write(const std::string& Name, const std::string& Bytes) const {
    std::ofstream(FPath / FromUtf8(Name), std::ios::binary) << Bytes;
}

std::string TTempDir::Read(const std::string& Name) const {
    std::ifstream in(FPath / FromUtf8(Name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::size_t TTempDir::EntryCount() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(FPath), {}));
}
