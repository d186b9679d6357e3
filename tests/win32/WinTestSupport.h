#pragma once
// What the Windows-side tests share: the simulated unit's COM ports handed
// over by wine-test.sh, a client for the simulator's control line, and a
// way to tell wine from Windows where the two differ.
//
// The control client talks plain synchronous Win32 on its own port, not
// through the component under test, so a fault of the component cannot hide
// in both ends of a test.
//
// Threading: each object belongs to the test thread that made it.

#include <cstddef>
#include <string>
#include <vector>

#include <windows.h>

#include "SimControlText.h"
#include "TestClock.h"

// True when the program runs under wine rather than on Windows.
bool UnderWine();

// A variable of the environment; throws std::runtime_error when it is not
// set (the test was not started by wine-test.sh with ORB_WINE_SIM=1).
std::string RequiredEnv(const char* Name);

// The first simulated unit's line ("COM20"); its control line is
// ORB_SIM_CONTROL. With ORB_WINE_SIM=N there are N: ORB_SIM_PORTS and
// ORB_SIM_CONTROLS list them, separated by commas.
inline std::string SimPort() {
    return RequiredEnv("ORB_SIM_PORT");
}

// The simulator's control line (see src/sim/SimHost.h for the commands).
class TSimControlClient {
public:
    TSimControlClient(); // opens ORB_SIM_CONTROL; throws std::runtime_error
    explicit TSimControlClient(const std::string& Port); // "COM21"
    ~TSimControlClient();
    TSimControlClient(const TSimControlClient&) = delete;
    TSimControlClient& operator=(const TSimControlClient&) = delete;

    // Sends one command and returns its reply line; throws std::runtime_error
    // when no whole reply comes within TimeoutMs or the reply is an error.
    std::string Command(const std::string& Line, int TimeoutMs = 10000);

    // A fresh simulator behind the same COM port, with Options added to its
    // command line ("--raw", "--fault=no-answer,cmd=+g", ...).
    void Reset(const std::string& Options = "");
    // Unit commands (or the modem's command lines) received so far, each as
    // the simulator shows bytes (control bytes as \r, \xNN; text as UTF-8).
    std::vector<std::string> Commands();
    std::vector<std::string> ModemLines();
    // The items of a list reply ("ok N", then a TAB before each item).
    std::vector<std::string> List(const std::string& Verb);
    // With --raw: the bytes received since last asked, once at least AtLeast
    // of them are there or TimeoutMs have passed.
    std::string Received(std::size_t AtLeast = 0, int TimeoutMs = 0);
    // "19200 8N1" and the flow controls the program set on the line.
    std::string Line();

private:
    HANDLE FHandle = INVALID_HANDLE_VALUE;
    std::string FPending; // bytes after the last reply line
};

// Hexadecimal digits as bytes; throws std::runtime_error when they are not.
std::string BytesFromHex(const std::string& Hex);
