#pragma once
// Clocks for tests: time passed on the monotonic clock, and the CPU time a
// thread or the whole process has used, which is where a wait that spins
// instead of blocking shows.
// Threading: plain functions; each CPU clock is read for its caller.

#include <chrono>

using TTestClock = std::chrono::steady_clock;

inline long long MsSince(TTestClock::time_point Start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(TTestClock::now() - Start).count();
}

// CPU time, user and system, of the calling thread so far.
long long ThreadCpuMs();
// CPU time of every thread of this process so far.
long long ProcessCpuMs();
