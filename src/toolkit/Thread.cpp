#include "toolkit/Thread.h"

#include <chrono>
#include <exception>

TThread::TThread() = default;

TThread::~TThread() {
    StopAndWait();
}

void TThread::Resume() {
    if (FStarted)
        return;
    FStarted = true;
    FThread = std::thread([this] { Run(); });
}

void TThread::Run() {
    try {
        Execute();
    } catch (const std::exception& e) {
        std::lock_guard lock(FMutex);
        FFatal = e.what();
    } catch (...) {
        std::lock_guard lock(FMutex);
        FFatal = "unknown exception";
    }
    {
        std::lock_guard lock(FMutex);
        FFinished.store(true, std::memory_order_release);
    }
    FDone.notify_all();
}

void TThread::WaitFor() {
    if (!FStarted)
        return;
    {
        std::unique_lock lock(FMutex);
        FDone.wait(lock, [this] { return FFinished.load(std::memory_order_acquire); });
    }
    // Joining from the thread itself would deadlock; a self-wait just returns.
    std::lock_guard join(FJoinMutex);
    if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id())
        FThread.join();
}

bool TThread::WaitFor(int timeoutMs) {
    if (!FStarted)
        return true;
    std::unique_lock lock(FMutex);
    return FDone.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return FFinished.load(std::memory_order_acquire); });
}

std::string TThread::FatalError() const {
    std::lock_guard lock(FMutex);
    return FFatal;
}

void TThread::StopAndWait() {
    Terminate();
    {
        std::lock_guard join(FJoinMutex);
        if (FStarted && FThread.joinable() && FThread.get_id() == std::this_thread::get_id()) {
            // Destroyed from its own body: let the thread end on its own.
            FThread.detach();
            return;
        }
    }
    WaitFor();
}
