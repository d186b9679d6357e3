#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>

#include "toolkit/Thread.h"

namespace {

class TLoopThread : public TThread {
public:
    ~TLoopThread() override { StopAndWait(); }
    std::atomic<int> Passes{0};

protected:
    void Execute() override {
        while (!Terminated()) {
            ++Passes;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
};

class TThrowingThread : public TThread {
public:
    ~TThrowingThread() override { StopAndWait(); }

protected:
    void Execute() override { throw std::runtime_error("port gone"); }
};

} // namespace

TEST(Thread, CreatedSuspendedRunsOnResumeAndStopsOnTerminate) {
    TLoopThread t;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(t.Passes.load(), 0);
    EXPECT_FALSE(t.Started());
    t.Resume();
    while (t.Passes.load() == 0)
        std::this_thread::yield();
    EXPECT_FALSE(t.WaitFor(10));
    t.Terminate();
    t.WaitFor();
    EXPECT_TRUE(t.Finished());
    EXPECT_TRUE(t.Terminated());
}

TEST(Thread, NeverStartedThreadCanBeWaitedForAndDestroyed) {
    TLoopThread t;
    t.Terminate();
    t.WaitFor();
    EXPECT_TRUE(t.WaitFor(0));
}

TEST(Thread, ExceptionEscapingTheBodyIsKept) {
    TThrowingThread t;
    t.Resume();
    t.WaitFor();
    EXPECT_EQ(t.FatalError(), "port gone");
}

TEST(Thread, DestroyingARunningThreadStopsIt) {
    auto t = std::make_unique<TLoopThread>();
    t->Resume();
    while (t->Passes.load() == 0)
        std::this_thread::yield();
    t.reset(); // must not hang or crash
    SUCCEED();
}
