#pragma once
// Runs a function on the GUI thread soon after another thread has raised the
// wake, without that thread calling Qt (the link thread never does): a raise
// sets a system event (TWakeSignal) that the GUI thread's event loop
// watches, so the GUI thread does nothing while nobody raises it. Raises
// before the function runs make one run. While it runs the event is not
// watched: a modal message box it opens holds up the next run (the raises
// meanwhile are kept for it), and the function never re-enters itself.
//
// One implementation file per platform for the watch (a socket notifier on
// POSIX, an event notifier on Windows).
//
// Threading: construct, Stop and destroy on the GUI thread, after the
// application object exists; Raise from any thread while the object lives.

#include <functional>
#include <memory>

#include "serial/WakeSignal.h"

class TGuiWake {
public:
    explicit TGuiWake(std::function<void()> OnRaise);
    ~TGuiWake();
    TGuiWake(const TGuiWake&) = delete;
    TGuiWake& operator=(const TGuiWake&) = delete;

    void Raise() { FSignal.Raise(); }
    // The function runs no more, whatever is raised.
    void Stop();

private:
    struct TWatch;
    void Run();
    void Watch(bool On); // the platform's part

    TWakeSignal FSignal;
    std::function<void()> FOnRaise;
    std::unique_ptr<TWatch> FWatch;
    bool FStopped = false;
};
