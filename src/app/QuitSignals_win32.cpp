#include "app/QuitSignals.h"

// Windows asks a windowed program to end through window messages, which Qt
// turns into close events: the window's own close saves and hangs up, with
// no stop request and no watchdog of ours.

TQuitOnSignals::TQuitOnSignals(std::function<void()>, TRepeat) {}
TQuitOnSignals::~TQuitOnSignals() = default;

void TQuitOnSignals::AllowShutdown(std::chrono::milliseconds) {}

bool TQuitOnSignals::Stopping() {
    return false;
}
