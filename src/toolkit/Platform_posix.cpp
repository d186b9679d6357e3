#include "toolkit/Platform.h"

#include <cstdlib>
#include <limits.h>
#include <time.h>
#include <unistd.h>

TLocalTime PlatformLocalTime(std::time_t t) {
    struct tm tmv {};
    localtime_r(&t, &tmv);
    TLocalTime r;
    r.Year = tmv.tm_year + 1900;
    r.Month = tmv.tm_mon + 1;
    r.Day = tmv.tm_mday;
    r.Hour = tmv.tm_hour;
    r.Minute = tmv.tm_min;
    r.Second = tmv.tm_sec;
    return r;
}

std::string PlatformExecutablePath() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    return std::string(buf, static_cast<size_t>(n));
}

const char* PlatformLineEnd() {
    return "\n";
}

char PlatformPathSeparator() {
    return '/';
}

bool PlatformCanWriteFolder(const std::string& folder) {
    return access(folder.c_str(), W_OK | X_OK) == 0;
}

std::string PlatformGetEnv(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::vector<std::string> PlatformArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}
