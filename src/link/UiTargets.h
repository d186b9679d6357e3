#pragma once
// Where the link thread and the device object send what the operator sees.
// The main window fills one of these and hands it to both; tests fill it with
// stand-in pointers. The control references are never dereferenced on the
// worker side: they only travel through the UI-update queue.
//
// Threading: filled on the GUI thread before the link thread starts, read-only
// afterwards. DisconnectEnabled is called from the link thread and must be
// safe there; WriteState is written by the link thread, read by the GUI.

#include <atomic>
#include <cstdint>
#include <functional>

#include "queue/OutElement.h"

struct TUiTargets {
    explicit TUiTargets(std::atomic<std::int32_t>& WriteStateValue) : WriteState(WriteStateValue) {}

    TControlRef SplashPanel2 = nullptr;      // progress texts of the connection splash
    TControlRef SplashButton1 = nullptr;     // the splash's hidden OK button
    TControlRef StatusPanel2 = nullptr;      // status bar panel 2: the firmware version
    TControlRef Form1 = nullptr;             // the main window: generation, "Repaint12345"
    TControlRef tv1 = nullptr;               // the page tree
    TControlRef tbtnDisconnect = nullptr;    // clicked when the link thread ends by itself
    std::function<bool()> DisconnectEnabled; // is tbtnDisconnect enabled now
    std::atomic<std::int32_t>& WriteState;   // the "EEPROM" indicator's state, 0..3
};
