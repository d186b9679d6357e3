// The event thread: line events reach the handlers on the right thread, are
// reported once per arrival, stop when the line goes away, and a hand-over to
// a busy user-interface thread can never deadlock closing the port.

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include "SerialTestSupport.h"

namespace {

// Counts calls and remembers the last thread and value; waits without polling.
struct TCallLog {
    std::mutex Mutex;
    std::condition_variable Changed;
    int Calls = 0;
    std::uint32_t Last = 0;
    std::thread::id Thread;

    void Record(std::uint32_t value) {
        std::lock_guard lock(Mutex);
        ++Calls;
        Last = value;
        Thread = std::this_thread::get_id();
        Changed.notify_all();
    }
    bool WaitFor(int calls, int timeoutMs) {
        std::unique_lock lock(Mutex);
        return Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [&] { return Calls >= calls; });
    }
    int Count() {
        std::lock_guard lock(Mutex);
        return Calls;
    }
    std::uint32_t LastValue() {
        std::lock_guard lock(Mutex);
        return Last;
    }
    std::thread::id LastThread() {
        std::lock_guard lock(Mutex);
        return Thread;
    }
};

// A stand-in for the user-interface thread's message queue.
struct TFakeGui {
    std::mutex Mutex;
    std::condition_variable Posted;
    std::deque<std::function<void()>> Calls;

    void Post(std::function<void()> call) {
        std::lock_guard lock(Mutex);
        Calls.push_back(std::move(call));
        Posted.notify_all();
    }
    bool WaitForPost(int timeoutMs) {
        std::unique_lock lock(Mutex);
        return Posted.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return !Calls.empty(); });
    }
    void RunPending() {
        std::deque<std::function<void()>> calls;
        {
            std::lock_guard lock(Mutex);
            calls.swap(Calls);
        }
        for (auto& call : calls)
            call();
    }
};

struct TDispatcherGuard {
    explicit TDispatcherGuard(TFakeGui& gui) {
        SetCommSyncDispatcher([&gui](std::function<void()> call) { gui.Post(std::move(call)); });
    }
    ~TDispatcherGuard() { SetCommSyncDispatcher(nullptr); }
};

long long ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

} // namespace

TEST(CommEvents, ReceivedDataIsReportedOnTheEventThreadWithoutARepeatStorm) {
    TPty pty;
    TXComm c;
    c.SetSynchronize(false);
    TCallLog data, events;
    c.SetOnData([&](TCustomComm&, std::uint32_t received) { data.Record(received); });
    c.SetOnCommEvent([&](TCustomComm&, TDeviceEvents e) { events.Record(e.Bits()); });
    OpenOnPty(c, pty);

    MasterWrite(pty, "hello");
    ASSERT_TRUE(data.WaitFor(1, 5000));
    ASSERT_TRUE(events.WaitFor(1, 5000));
    EXPECT_GT(data.LastValue(), 0u);
    EXPECT_NE(data.LastThread(), std::this_thread::get_id());
    EXPECT_EQ(events.LastValue(), TDeviceEvents{deChar}.Bits());

    // The bytes stay unread: the event thread must not report them over and
    // over (the kernel may wake it a second time, never in a loop).
    const long long cpu0 = ProcessCpuMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the window measured
    EXPECT_LT(ProcessCpuMs() - cpu0, 100) << "the event thread spun on unread input";
    EXPECT_LE(data.Count(), 3);

    // Only monitored events reach OnCommEvent; the writer reports "output empty".
    c.SetMonitorEvents({deOutEmpty});
    const int before = events.Count();
    EXPECT_TRUE(c.WriteString("x"));
    ASSERT_EQ(events.Count(), before + 1);
    EXPECT_EQ(events.LastValue(), TDeviceEvents{deOutEmpty}.Bits());
    EXPECT_EQ(events.LastThread(), std::this_thread::get_id());
    const int dataBefore = data.Count();
    MasterWrite(pty, "more");
    ASSERT_TRUE(data.WaitFor(dataBefore + 1, 5000));
    EXPECT_EQ(events.Count(), before + 1);
}

TEST(CommEvents, SynchronizedEventsRunOnTheDispatchersThread) {
    TFakeGui gui;
    TDispatcherGuard guard(gui);
    TPty pty;
    TXComm c;
    TCallLog data;
    c.SetOnData([&](TCustomComm&, std::uint32_t received) { data.Record(received); });
    OpenOnPty(c, pty);
    MasterWrite(pty, "abc");
    ASSERT_TRUE(gui.WaitForPost(5000));
    EXPECT_EQ(data.Count(), 0);
    std::thread guiThread([&] { gui.RunPending(); });
    const std::thread::id guiId = guiThread.get_id();
    guiThread.join();
    ASSERT_EQ(data.Count(), 1);
    EXPECT_EQ(data.LastThread(), guiId);
    EXPECT_EQ(data.LastValue(), 3u);
}

TEST(CommEvents, ClosingCannotDeadlockWithAUserInterfaceThreadThatWaitsForTheLink) {
    TFakeGui gui;
    TDispatcherGuard guard(gui);
    TPty pty;
    TCallLog data;
    // The link thread owns the component; the "user-interface thread" (this
    // one) waits for the link thread and serves no hand-over meanwhile.
    std::promise<void> linkDone;
    std::thread link([&] {
        {
            TXComm c;
            c.SetOnData([&](TCustomComm&, std::uint32_t received) { data.Record(received); });
            OpenOnPty(c, pty);
            MasterWrite(pty, "event");
            EXPECT_TRUE(gui.WaitForPost(5000)); // a hand-over now waits for us
            c.Close();
        }
        linkDone.set_value();
    });
    if (linkDone.get_future().wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "closing the port deadlocked with the waiting user-interface thread";
        std::abort();
    }
    link.join();
    gui.RunPending(); // the late hand-over finds its component gone and does nothing
    EXPECT_EQ(data.Count(), 0);
}

TEST(CommEvents, EventThreadGoesQuietWhenTheLineHangsUp) {
    TPty pty;
    TXComm c;
    c.SetSynchronize(false);
    OpenOnPty(c, pty);
    pty.CloseMaster();
    const long long cpu0 = ProcessCpuMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the window measured
    EXPECT_LT(ProcessCpuMs() - cpu0, 100) << "something spins on the hung-up line";
    c.Close();
}
