#include "TestClock.h"

#include <windows.h>

namespace {

long long Ms(const FILETIME& Kernel, const FILETIME& User) {
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return (ticks(Kernel) + ticks(User)) / 10000; // 100 ns units
}

} // namespace

long long ThreadCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    return Ms(kernel, user);
}

long long ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    return Ms(kernel, user);
}
