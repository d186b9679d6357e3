#include "Platform.h"

#include <cstdlib>
#include <windows.h>

TLocalTime PlatformLocalTime(std::time_t t) {
    struct tm tmv {};
    localtime_s(&tmv, &t);
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
    char buf[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf)
        return {};
    return std::string(buf, n);
}

char PlatformPathSeparator() { return '\\'; }

std::string PlatformGetEnv(const char* name) {
    char buf[4096];
    const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf)
        return {};
    return std::string(buf, n);
}
