#pragma once
// Ends the program the orderly way when the system or the terminal asks it to
// stop (SIGTERM, SIGINT, SIGHUP on POSIX): the request reaches the event loop,
// which quits, and the main window's shutdown still ends the link, closes the
// log and saves "current.ini". Without it such a signal kills the program on
// the spot. One implementation file per platform; on Windows the system asks
// a windowed program to end through window messages, which Qt already turns
// into close events, so there it does nothing.
//
// Threading: construct and destroy on the GUI thread, after the application
// object exists.

#include <QObject>

class QSocketNotifier;

class TQuitOnSignals : public QObject {
public:
    TQuitOnSignals();
    ~TQuitOnSignals() override;
    TQuitOnSignals(const TQuitOnSignals&) = delete;
    TQuitOnSignals& operator=(const TQuitOnSignals&) = delete;

    // How many stop requests have arrived.
    int Received() const { return FReceived; }

private:
    int FFds[2] = {-1, -1};
    // Set while this object holds the signals (they are process-wide: only
    // the first object takes them).
    QSocketNotifier* FNotifier = nullptr;
    int FReceived = 0;
};
