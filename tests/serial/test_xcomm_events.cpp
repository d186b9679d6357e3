// The event thread beyond what every backend shares (PortBehaviour.cpp): only
// monitored events reach the handler, synchronized events run on the
// dispatcher's thread, the thread goes quiet when the line hangs up, and a
// hand-over to a busy user-interface thread can never deadlock closing the
// port.

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include "CallLog.h"
#include "SerialTestSupport.h"

namespace {

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

void HandTo(TFakeGui& gui, TXComm& c) {
    c.SetSyncDispatcher([&gui](std::function<void()> call) { gui.Post(std::move(call)); });
}

} // namespace

TEST(CommEvents, OnlyMonitoredEventsReachTheHandlerAndTheWriterReportsOutputEmpty) {
    TPty pty;
    TXComm c;
    c.SetSynchronize(false);
    TCallLog data, events;
    c.SetOnData([&](TCustomComm&, std::uint32_t received) { data.Record(received); });
    c.SetOnCommEvent([&](TCustomComm&, TDeviceEvents e) { events.Record(e.Bits()); });
    OpenOnPty(c, pty);
    c.SetMonitorEvents({deOutEmpty});

    EXPECT_TRUE(c.WriteString("x"));
    ASSERT_EQ(events.Count(), 1);
    EXPECT_EQ(events.LastValue(), TDeviceEvents{deOutEmpty}.Bits());
    EXPECT_EQ(events.LastThread(), std::this_thread::get_id());
    MasterWrite(pty, "more");
    ASSERT_TRUE(data.WaitFor(1, 5000));
    EXPECT_EQ(events.Count(), 1) << "an event nobody monitors reached the handler";
}

TEST(CommEvents, SynchronizedEventsRunOnTheDispatchersThread) {
    TFakeGui gui;
    TPty pty;
    TXComm c;
    HandTo(gui, c);
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
    TPty pty;
    TCallLog data;
    // The link thread owns the component; the "user-interface thread" (this
    // one) waits for the link thread and serves no hand-over meanwhile.
    std::promise<void> linkDone;
    std::thread link([&] {
        {
            TXComm c;
            HandTo(gui, c);
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
