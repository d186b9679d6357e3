#pragma once
// TCommEventThread: waits for line events while its component is open and
// hands each set of events to the component's DispatchEvents, on this thread
// or, while the component's Synchronize is true and it has a dispatcher,
// through that dispatcher.
// Threading: created, stopped and destroyed by the component's owner thread;
// Stop may be called while a hand-over waits for the user-interface thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "serial/XComTypes.h"
#include "toolkit/Thread.h"

class TCommBackend;
class TCommEventWaiter;

class TCommEventThread final : public TThread {
public:
    TCommEventThread(TCustomComm& Comm, TCommBackend& Backend);
    ~TCommEventThread() override;

    // Signals the stop event, cancels a hand-over that is still waiting for
    // the dispatcher, and waits for the thread's end.
    void Stop();
    // The last event set the wait reported.
    TDeviceEvents LastEvents() const { return TDeviceEvents::FromBits(FLastEvents.load()); }

protected:
    void Execute() override;

private:
    struct THandOver;
    // false when the events could not be handled and the loop should end
    bool HandOver(TDeviceEvents Events);

    TCustomComm& FComm;
    TCommBackend& FBackend;
    std::unique_ptr<TCommEventWaiter> FWaiter;
    std::atomic<std::uint32_t> FLastEvents{0};
    std::mutex FHandOverMutex;
    std::shared_ptr<THandOver> FPending; // under FHandOverMutex
    bool FStopping = false;              // under FHandOverMutex
};
