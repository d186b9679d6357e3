#pragma once
// Ends the program the orderly way when the system or the terminal asks it to
// stop (SIGTERM, SIGINT, SIGHUP on POSIX): the request reaches the event loop,
// which quits (a modal dialog's nested loop as well), and the main window's
// shutdown still saves "current.ini", ends the link and closes the log.
// Without it such a signal kills the program on the spot. Whatever the
// shutdown then waits for (a modem hanging up, a slow disk), the program ends
// ShutdownLimit after the request (longer when the shutdown asked for more
// with AllowShutdown), and at once on a second request. A signal the program
// was started with ignored (nohup) stays ignored.
//
// A program that stops its own way (orbelin-batch) passes what a stop request
// does instead of quitting the event loops; a unit's process of a list, whose
// run kills it if it does not end in time, takes a repeated request as the
// first. A program started with the stop signals held takes them once the
// handler stands.
//
// One implementation file per platform. On Windows the system asks a
// windowed program to end through window messages, which Qt already turns
// into close events; a console program (orbelin-batch) gets Ctrl+C and
// Ctrl+Break as stop requests, with no watchdog.
//
// Threading: construct and destroy on the GUI thread, after the application
// object exists.

#include <QObject>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class QSocketNotifier;

class TQuitOnSignals : public QObject {
public:
    enum class TRepeat { EndsAtOnce, IsIgnored };
    // OnStop: what the first request does on the GUI thread; empty: every
    // event loop quits.
    explicit TQuitOnSignals(std::function<void()> OnStop = {},
                            TRepeat Repeat = TRepeat::EndsAtOnce);
    ~TQuitOnSignals() override;
    TQuitOnSignals(const TQuitOnSignals&) = delete;
    TQuitOnSignals& operator=(const TQuitOnSignals&) = delete;

    // How long the orderly shutdown may take after a stop request.
    static constexpr std::chrono::milliseconds ShutdownLimit{1500};
    // The shutdown needs up to Limit after the request (a data call to end):
    // from now on that, if longer, is how long it may take. GUI thread; does
    // nothing while no object holds the signals.
    static void AllowShutdown(std::chrono::milliseconds Limit);
    // Files, then the folders they leave empty, that go even when the
    // program ends without its shutdown (a repeated request, the shutdown's
    // time run out): temporary files that hold passwords. Replaces the
    // list before; the object's end clears it. GUI thread.
    static void RemoveAtHardEnd(std::vector<std::string> Paths);
    // A stop request has come: the program is on its way out, and what a
    // nested event loop was waiting for is left to the shutdown (which
    // saves the settings before it ends the link). GUI thread.
    static bool Stopping();

    // How many stop requests the event loop has seen.
    int Received() const { return FReceived; }
    // A stop request, on the GUI thread: the platform's part calls it.
    void Deliver();

private:
    int FFds[2] = {-1, -1};
    int FWatchFds[2] = {-1, -1};
    std::thread FWatchdog;
    // Set while this object holds the signals (they are process-wide: only
    // the first object takes them).
    QSocketNotifier* FNotifier = nullptr;
    int FReceived = 0;
    std::function<void()> FOnStop;
};
