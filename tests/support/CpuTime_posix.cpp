#include "TestClock.h"

#include <ctime>

namespace {

long long Ms(clockid_t Clock) {
    timespec ts{};
    clock_gettime(Clock, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

} // namespace

long long ThreadCpuMs() {
    return Ms(CLOCK_THREAD_CPUTIME_ID);
}

long long ProcessCpuMs() {
    return Ms(CLOCK_PROCESS_CPUTIME_ID);
}
