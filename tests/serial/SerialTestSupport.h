#pragma once
// Helpers for the serial component's tests over real pseudo-terminals: the
// far end of the line (the pty master) and a clock for CPU use.

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

#include "Pty.h"
#include "XComDrv.h"

using TTestClock = std::chrono::steady_clock;

inline long long MsSince(TTestClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(TTestClock::now() - start).count();
}

// CPU time used by the calling thread so far: a wait that spins shows here.
inline long long ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

// Writes all of Data into the master side.
void MasterWrite(TPty& Pty, const std::string& Data);
// Collects from the master side until Count bytes came or TimeoutMs passed.
std::string MasterRead(TPty& Pty, std::size_t Count, int TimeoutMs);

// A component on the slave side of Pty at the link's settings, opened.
void OpenOnPty(TXComm& Comm, const TPty& Pty);
