#pragma once
// A signal that ends another thread's wait at once: the link thread waits for
// input, a new request or the end of the connection in one blocking call,
// and the thread that sets the request or asks for the end raises this.
// Raised stays raised until the waiting thread clears it, so a raise that
// comes between the waiter's last look and its wait is not lost.
//
// Threading: Raise from any thread; Clear and Wait from the one waiting
// thread.

#include <cstdint>

class TWakeSignal {
public:
    TWakeSignal(); // throws std::runtime_error when the system has none to give
    ~TWakeSignal();
    TWakeSignal(const TWakeSignal&) = delete;
    TWakeSignal& operator=(const TWakeSignal&) = delete;

    void Raise();
    void Clear();
    // Blocks until raised or TimeoutMs has passed; true when raised.
    bool Wait(int TimeoutMs);

    // What a platform wait takes: a descriptor for poll(), or an event HANDLE.
    std::intptr_t Native() const { return FNative; }

private:
    std::intptr_t FNative = -1;
};
