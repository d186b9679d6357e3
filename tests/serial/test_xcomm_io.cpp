// What the POSIX backend adds to the behaviours every backend shares
// (PortBehaviour.cpp): the system's accounts of errors a test cannot cause,
// names looked up under /dev, a read's timeout that only counts while
// nothing is queued, and a wait that notices the line hanging up.

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "PortBehaviour.h"
#include "SerialTestSupport.h"

TEST(CommOpen, AccountsOfTheSystemsErrorsAndNamesUnderDev) {
    // Not to be had as root, so by its error: a port the user may not open,
    // and an error that has no reason the operator could act on.
    EXPECT_STREQ(EDeviceError::CannotOpen("ttyS7", EACCES).what(),
                 "Cannot open device ttyS7: нет доступа к порту (пользователь должен входить в "
                 "группу dialout) (POSIX error 13: Permission denied)");
    EXPECT_STREQ(EDeviceError::CannotOpen("ttyS7", EIO).what(),
                 "Cannot open device ttyS7 (POSIX error 5: Input/output error)");

    TXComm bare; // a name without "/" is looked up under /dev
    bare.SetDeviceName("ptmx");
    bare.Open();
    EXPECT_TRUE(bare.Connected());
}

TEST(CommRead, TimeoutCountsOnlyWhileNothingIsQueued) {
    TPty pty;
    TXComm c;
    OpenOnPty(c, pty);
    // Each pass takes longer than the whole timeout, but finds the next byte
    // already queued: the read goes on until it has all of them.
    char next = 'b';
    c.SetOnRead([&](TCustomComm& sender) {
        if (next > 'e')
            return;
        MasterWrite(pty, std::string(1, next++));
        EXPECT_TRUE(sender.WaitForInput(2000));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    });
    MasterWrite(pty, "a");
    char buf[5];
    EXPECT_EQ(c.Read(buf, sizeof buf, 20), 5u);
    EXPECT_EQ(std::string(buf, 5), "abcde");
}

TEST(CommHangUp, WaitForInputNoticesAHangUpWhileWaiting) {
    TPty pty;
    TXComm c;
    OpenOnPty(c, pty);
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pty.CloseMaster();
    });
    const auto start = TTestClock::now();
    EXPECT_EQ(CodeOf([&] { c.WaitForInput(10000); }), 10);
    EXPECT_LT(MsSince(start), 2000);
    closer.join();
}
