#pragma once
// Where the window shows the events of the device (UnitEvent.h): the
// splash of the connection, the status bar, the page tree, the disconnect
// button and the EEPROM indicator. The window fills one of these; the test
// rigs fill it with stand-ins and record what each event would show there.
//
// Threading: GUI thread (the queue's consumer) only.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "queue/OutElement.h"
#include "queue/UnitEvent.h"

struct TUiTargets {
    TControlRef SplashPanel2 = nullptr;      // progress texts of the connection splash
    TControlRef SplashButton1 = nullptr;     // the splash's hidden OK button
    TControlRef StatusPanel2 = nullptr;      // status bar panel 2: the firmware version
    TControlRef StatusPanel4 = nullptr;      // status bar panel 4: the walk's progress
    TControlRef Form1 = nullptr;             // the main window: generation, "Repaint12345"
    TControlRef tv1 = nullptr;               // the page tree
    TControlRef tbtnDisconnect = nullptr;    // clicked when the link has ended by itself
    std::function<bool()> DisconnectEnabled; // is tbtnDisconnect enabled now
    // The EEPROM indicator's state, which it shows when Form1 repaints.
    std::atomic<std::int32_t>* WriteState = nullptr;
};

// One change of the screen: a text for a control (okControl, see
// ApplyControlText) or for a status panel (okStatus).
struct TScreenStep {
    std::uint8_t Kind = okControl;
    TControlRef Control = nullptr;
    std::string Text;
};

// What Event shows on Screen, in order. A commit's state is stored into
// Screen.WriteState here, before the repaint that shows it.
std::vector<TScreenStep> ShowUnitEvent(const TUnitEvent& Event, const TUiTargets& Screen);
