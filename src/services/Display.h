#pragma once
// Whether there is a screen to show the window on, asked before the window
// system is started (which would otherwise stop the program with a message
// of its own), and Qt without one. One implementation file per platform.

#include <optional>
#include <string>

// Nothing when a display is there; otherwise what to tell the operator.
std::optional<std::string> MissingDisplay(int argc, char** argv);

// Qt draws without a screen (the offscreen platform) for a program that
// shows no window. Call before the application object exists. On Windows
// the platform finds no fonts of its own: it is given the system's.
void UseOffscreenPlatform();
