#pragma once
// Calls of a handler as another thread makes them: how many, the last value
// and the thread it came on. Waits block on a condition until the call
// expected has come.
// Threading: every method may be called from any thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class TCallLog {
public:
    void Record(std::uint32_t Value) {
        std::lock_guard lock(FMutex);
        ++FCalls;
        FLast = Value;
        FThread = std::this_thread::get_id();
        FChanged.notify_all();
    }
    // True once Calls calls in all were made; false when TimeoutMs passed first.
    bool WaitFor(int Calls, int TimeoutMs) {
        std::unique_lock lock(FMutex);
        return FChanged.wait_for(lock, std::chrono::milliseconds(TimeoutMs),
                                 [&] { return FCalls >= Calls; });
    }
    int Count() {
        std::lock_guard lock(FMutex);
        return FCalls;
    }
    std::uint32_t LastValue() {
        std::lock_guard lock(FMutex);
        return FLast;
    }
    std::thread::id LastThread() {
        std::lock_guard lock(FMutex);
        return FThread;
    }

private:
    std::mutex FMutex;
    std::condition_variable FChanged;
    int FCalls = 0;
    std::uint32_t FLast = 0;
    std::thread::id FThread;
};
