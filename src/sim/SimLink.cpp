#include "sim/SimLink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {
std::string LinkTarget(const std::string& path) {
    char buf[4096];
    const ssize_t n = readlink(path.c_str(), buf, sizeof buf);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}
} // namespace

TSimLink::TSimLink(std::string linkPath, std::string target)
    : FPath(std::move(linkPath)), FTarget(std::move(target)) {
    struct stat st {};
    if (lstat(FPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
        throw std::runtime_error(FPath + " exists and is not a symbolic link");
    // Made beside the final name and renamed over it, so the name never
    // points nowhere in between.
    const std::string temp = FPath + ".tmp" + std::to_string(getpid());
    unlink(temp.c_str());
    if (symlink(FTarget.c_str(), temp.c_str()) != 0 || rename(temp.c_str(), FPath.c_str()) != 0) {
        const std::string error = std::strerror(errno);
        unlink(temp.c_str());
        throw std::runtime_error("cannot create the link " + FPath + ": " + error);
    }
}

TSimLink::~TSimLink() {
    if (LinkTarget(FPath) == FTarget)
        unlink(FPath.c_str());
}
