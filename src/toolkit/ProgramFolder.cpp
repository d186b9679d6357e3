#include "ProgramFolder.h"

#include <mutex>

#include "Platform.h"

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
    const std::string exe = PlatformExecutablePath();
    const size_t cut = exe.find_last_of("/\\");
    if (cut == std::string::npos)
        return WithSeparator(".");
    return exe.substr(0, cut + 1);
}
