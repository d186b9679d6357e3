#include "toolkit/ProgramFolder.h"

#include <filesystem>
#include <mutex>

#include "toolkit/Platform.h"

namespace {
std::mutex gMutex;
std::string gOverride;

std::string WithSeparator(std::string folder) {
    const char sep = PlatformPathSeparator();
    if (folder.empty() || (folder.back() != sep && folder.back() != '/'))
        folder += sep;
    return folder;
}
} // namespace

void SetProgramFolderOverride(const std::string& folder) {
    std::lock_guard lock(gMutex);
    gOverride = folder;
}

std::string ProgramFolder() {
    {
        std::lock_guard lock(gMutex);
        if (!gOverride.empty())
            return WithSeparator(gOverride);
    }
    const std::string env = PlatformGetEnv("ORBELIN_HOME");
    if (!env.empty())
        return WithSeparator(env);
    return ExecutableFolder();
}

std::string ExecutableFolder() {
    const std::string exe = PlatformExecutablePath();
    const size_t cut = exe.find_last_of("/\\");
    if (cut == std::string::npos)
        return WithSeparator(".");
    return exe.substr(0, cut + 1);
}

std::string InstalledDataFolder() {
    std::error_code ec;
    const std::string folder = ExecutableFolder();
    const std::filesystem::path bin(std::u8string(folder.begin(), folder.end()));
    const std::filesystem::path data = bin.parent_path().parent_path() / "share" / "orbelin";
    if (bin.parent_path().filename() != "bin" ||
        !std::filesystem::exists(data / "discription.txt", ec))
        return {};
    const std::u8string text = data.u8string();
    return WithSeparator(std::string(text.begin(), text.end()));
}

bool FilesBesideProgram() {
    return InstalledDataFolder().empty() && PlatformCanWriteFolder(ExecutableFolder());
}
