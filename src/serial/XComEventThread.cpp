#include "serial/XComEventThread.h"

#include <condition_variable>
#include <functional>

#include "serial/CommBackend.h"
#include "serial/XComDrv.h"

namespace {

// Every line event but "output queue empty", which the writer reports itself.
constexpr std::uint32_t WaitedEvents =
    ((1u << (deProv2 + 1)) - 1) & ~TDeviceEvents{deOutEmpty}.Bits();

} // namespace

// One hand-over to the dispatcher. Shared with the dispatched call, which may
// outlive the thread and the component: it runs the events only while the
// hand-over has not been cancelled.
struct TCommEventThread::THandOver {
    std::mutex Mutex;
    std::condition_variable Changed;
    bool Done = false;
    bool Failed = false;
    bool Cancelled = false;
};

TCommEventThread::TCommEventThread(TCustomComm& Comm, TCommBackend& Backend)
    : FComm(Comm), FBackend(Backend), FWaiter(Backend.CreateEventWaiter()) {}

TCommEventThread::~TCommEventThread() {
    Stop();
}

void TCommEventThread::Stop() {
    {
        std::lock_guard lock(FHandOverMutex);
        FStopping = true;
        if (FPending) {
            std::lock_guard pending(FPending->Mutex);
            FPending->Cancelled = true;
            FPending->Changed.notify_all();
        }
    }
    Terminate();
    FWaiter->Stop();
    StopAndWait();
}

void TCommEventThread::Execute() {
    FBackend.SetEventMask(WaitedEvents);
    while (!Terminated()) {
        std::uint32_t mask = 0;
        if (FWaiter->Wait(mask) != TCommEventWaiter::TResult::Events)
            break;
        FLastEvents.store(mask);
        if (!HandOver(TDeviceEvents::FromBits(mask)))
            break;
    }
    FBackend.SetEventMask(0);
}

bool TCommEventThread::HandOver(TDeviceEvents Events) {
    const TCommSyncDispatcher dispatcher = FComm.Synchronize() ? FComm.SyncDispatcher() : nullptr;
    if (!dispatcher) {
        try {
            FComm.DispatchEvents(Events);
            return true;
        } catch (...) {
            return false;
        }
    }

    auto call = std::make_shared<THandOver>();
    {
        std::lock_guard lock(FHandOverMutex);
        if (FStopping)
            return false;
        FPending = call;
    }
    TCustomComm* comm = &FComm;
    try {
        dispatcher([call, comm, Events] {
            std::lock_guard lock(call->Mutex);
            if (call->Cancelled)
                return;
            try {
                comm->DispatchEvents(Events);
            } catch (...) {
                call->Failed = true;
            }
            call->Done = true;
            call->Changed.notify_all();
        });
    } catch (...) {
        std::lock_guard lock(call->Mutex);
        call->Failed = true;
        call->Done = true;
    }
    bool handled = false;
    {
        std::unique_lock lock(call->Mutex);
        call->Changed.wait(lock, [&] { return call->Done || call->Cancelled; });
        handled = call->Done && !call->Failed;
    }
    std::lock_guard lock(FHandOverMutex);
    FPending.reset();
    return handled;
}
