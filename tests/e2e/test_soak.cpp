// The whole program connecting, reading a page, writing it back with its
// commit and disconnecting, cycle after cycle, against the instant simulated
// unit: whatever a cycle takes (the link thread, the serial event thread,
// the port's descriptor, memory) it must give back.

#include <gtest/gtest.h>

#include <dirent.h>
#include <fstream>
#include <iostream>
#include <malloc.h>
#include <unistd.h>

#include "OperatorRig.h"
#include "pages/f_common.h"
#include "sim/Simulator.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORB_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ORB_SANITIZED 1
#endif
#endif

namespace {

constexpr int WarmUpCycles = 20;
constexpr int Cycles = 100;
// Memory a hundred cycles may gain: a cycle that kept even one kilobyte
// (a queue element, a reply buffer, a line of the memo) would exceed the
// heap figure; the resident figure also moves with what the allocator keeps
// for reuse, so it gets more room.
[[maybe_unused]] constexpr long long HeapToleranceBytes = 64 * 1024;
[[maybe_unused]] constexpr long long ResidentToleranceKiB = 2 * 1024;

int Entries(const char* folder) {
    int n = 0;
    if (DIR* dir = opendir(folder)) {
        while (const dirent* e = readdir(dir))
            n += e->d_name[0] != '.';
        closedir(dir);
    }
    return n;
}

struct TUsage {
    int Threads = 0;
    int Descriptors = 0; // besides the one that lists them
    long long ResidentKiB = 0;
    long long HeapBytes = 0;
};

TUsage Usage() {
    TUsage u;
    u.Threads = Entries("/proc/self/task");
    u.Descriptors = Entries("/proc/self/fd") - 1;
    long long pages = 0;
    std::ifstream("/proc/self/statm") >> pages >> pages;
    u.ResidentKiB = pages * sysconf(_SC_PAGESIZE) / 1024;
    u.HeapBytes = static_cast<long long>(mallinfo2().uordblks);
    return u;
}

std::ostream& operator<<(std::ostream& out, const TUsage& u) {
    return out << u.Threads << " threads, " << u.Descriptors << " descriptors, " << u.ResidentKiB
               << " KiB resident, " << u.HeapBytes << " bytes on the heap";
}

} // namespace

TEST(Soak, ConnectReadWriteDisconnectGiveEverythingBack) {
    TSimulator sim;
    // Short pauses; each reply waited for as long as the protocol waits for
    // the unit, since a loaded machine may hand a pseudo-terminal's bytes on
    // seconds late, and the unit always answers.
    TOperatorRig op(0.01, 1.0);
    TForm1& f = op.F;
    op.SelectPage(1);

    auto cycle = [&](int n) {
        SCOPED_TRACE("cycle " + std::to_string(n));
        ASSERT_TRUE(op.Connect(sim.SlavePath())) << f.dlgSplash->Panel2->Caption();
        f.tbtnRead->Click();
        ASSERT_TRUE(op.Settle(10000));
        ASSERT_TRUE(f.formCommon->FWasRead);
        EXPECT_EQ(f.formCommon->etObjNum->Text(), "0123");
        f.formCommon->etObjNum->SetText(std::to_string(1000 + n));
        f.tbtnWrite->Click();
        ASSERT_TRUE(op.Settle(10000));
        ASSERT_EQ(f.WriteState(), 1) << "committed";
        EXPECT_EQ(sim.Unit().Value("+O"), std::to_string(1000 + n));
        sim.Unit().SetValue("+O", "0123");
        op.Disconnect();
        ASSERT_TRUE(op.Disconnected());
        // What a cycle leaves on purpose: its lines in the memo, the unit's
        // record of commands.
        f.Button1->Click();
        sim.Unit().ClearCommands();
    };

    for (int n = 0; n < WarmUpCycles; ++n)
        ASSERT_NO_FATAL_FAILURE(cycle(n));
    op.Settle(1000);
    const TUsage before = Usage();
    for (int n = 0; n < Cycles; ++n)
        ASSERT_NO_FATAL_FAILURE(cycle(n));
    op.Settle(1000);
    const TUsage after = Usage();
    std::cout << "[ soak ] before " << Cycles << " cycles: " << before << "\n"
              << "[ soak ] after:  " << after << std::endl;

    EXPECT_EQ(after.Threads, before.Threads);
    EXPECT_EQ(after.Descriptors, before.Descriptors);
#ifndef ORB_SANITIZED
    // Under the sanitizers the allocator is theirs (freed memory is held
    // back on purpose); LeakSanitizer checks the heap at exit instead.
    EXPECT_LE(after.HeapBytes - before.HeapBytes, HeapToleranceBytes);
    EXPECT_LE(after.ResidentKiB - before.ResidentKiB, ResidentToleranceKiB);
#endif
}
