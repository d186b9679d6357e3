#pragma once
// A small worker-thread class: created suspended, started once with Resume,
// asked to stop with Terminate (from any thread), waited for with WaitFor.
// Threading: Terminate/Terminated/WaitFor/Finished may be called from any
// thread; Resume from the thread that owns the object.
//
// A derived class must call StopAndWait() in its own destructor: by the time
// this base destructor runs, the derived part that Execute uses is gone.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class TThread {
public:
    TThread();
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Resume(); // starts Execute on its own thread; later calls do nothing
    void Terminate() {
        FTerminated.store(true, std::memory_order_release);
        TerminateRequested();
    }
    bool Terminated() const { return FTerminated.load(std::memory_order_acquire); }
    void WaitFor();              // until Execute has returned
    bool WaitFor(int timeoutMs); // false when still running
    bool Started() const { return FStarted; }
    bool Finished() const { return FFinished.load(std::memory_order_acquire); }
    std::string FatalError() const; // what escaped Execute, if anything

protected:
    virtual void Execute() = 0;
    // Runs on the thread that asked for the end, right after the request: a
    // derived class ends its thread's blocking waits here.
    virtual void TerminateRequested() {}
    void StopAndWait();

private:
    void Run();

    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    bool FStarted = false;
    std::thread FThread;
    mutable std::mutex FMutex;
    std::mutex FJoinMutex;
    std::condition_variable FDone;
    std::string FFatal;
};
