#include "serial/WakeSignal.h"

#include <stdexcept>
#include <string>
#include <windows.h>

TWakeSignal::TWakeSignal() {
    // Manual reset: raised until the waiting thread clears it.
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!event)
        throw std::runtime_error("CreateEvent: error " + std::to_string(GetLastError()));
    FNative = reinterpret_cast<std::intptr_t>(event);
}

TWakeSignal::~TWakeSignal() {
    CloseHandle(reinterpret_cast<HANDLE>(FNative));
}

void TWakeSignal::Raise() {
    SetEvent(reinterpret_cast<HANDLE>(FNative));
}

void TWakeSignal::Clear() {
    ResetEvent(reinterpret_cast<HANDLE>(FNative));
}

bool TWakeSignal::Wait(int TimeoutMs) {
    return WaitForSingleObject(reinterpret_cast<HANDLE>(FNative),
                               static_cast<DWORD>(TimeoutMs < 0 ? 0 : TimeoutMs)) == WAIT_OBJECT_0;
}
