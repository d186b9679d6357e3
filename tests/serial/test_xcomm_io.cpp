// Opening, closing and moving bytes through the serial component over real
// pseudo-terminals: errors and codes, timeouts, big transfers, a line that
// goes away, and waits that must block instead of spinning.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <thread>

#include "SerialTestSupport.h"

namespace {

template <typename F> int CodeOf(F&& f) {
    try {
        f();
    } catch (const EDeviceError& e) {
        return e.ErrorCode();
    }
    return 0;
}

} // namespace

TEST(CommOpen, NamesThatAreNoSerialDeviceRaise65535AndStayClosed) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("orb-notaport-" + std::to_string(getpid()));
    std::ofstream(file) << "data";
    const std::string noSuchPort = "нет такого порта";
    const std::string notSerial = "это не последовательный порт";
    const std::pair<std::string, std::string> cases[] = {
        {"ttyORBnosuch", noSuchPort}, {"/dev/orb/none", noSuchPort},
        {file.string(), notSerial},   {std::filesystem::temp_directory_path().string(), notSerial},
        {"/dev/null", notSerial},
    };
    for (const auto& [name, reason] : cases) {
        TXComm c;
        c.SetDeviceName(name);
        try {
            c.Open();
            ADD_FAILURE() << name << " opened";
        } catch (const EDeviceError& e) {
            EXPECT_EQ(e.ErrorCode(), 65535) << name;
            EXPECT_EQ(e.Reason(), reason) << name;
            EXPECT_TRUE(std::string(e.what()).starts_with("Cannot open device " + name + ": " +
                                                          reason + " (POSIX error "))
                << e.what();
        }
        EXPECT_FALSE(c.Connected()) << name;
        EXPECT_EQ(c.LockState(), 3u);
    }
    std::filesystem::remove(file);

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

TEST(CommOpen, StateErrorsCarryTheirCodes) {
    TPty pty;
    TXComm c;
    char ch = 0;
    EXPECT_EQ(CodeOf([&] { c.Close(); }), 1);
    EXPECT_EQ(CodeOf([&] { c.InQueue(); }), 1);
    EXPECT_EQ(CodeOf([&] { c.OutQueue(); }), 1);
    EXPECT_EQ(CodeOf([&] { c.ReadChar(ch); }), 1);
    EXPECT_EQ(CodeOf([&] { c.WriteString("x"); }), 1);
    EXPECT_EQ(CodeOf([&] { c.WaitForInput(10); }), 1);
    EXPECT_EQ(CodeOf([&] { c.SetRTS(true); }), 1);

    OpenOnPty(c, pty);
    EXPECT_EQ(c.LockState(), 0u);
    EXPECT_EQ(CodeOf([&] { c.Open(); }), 2);
    EXPECT_TRUE(c.Connected());

    // The port is taken: a second component cannot have it, even as root.
    TXComm other;
    other.SetDeviceName(pty.SlavePath());
    try {
        other.Open();
        ADD_FAILURE() << "opened twice";
    } catch (const EDeviceError& e) {
        EXPECT_EQ(e.ErrorCode(), 65535);
        EXPECT_EQ(e.Reason(), "порт занят другой программой") << e.what();
    }
    c.Close();
    EXPECT_FALSE(c.Connected());
    EXPECT_EQ(CodeOf([&] { c.Close(); }), 1);
    other.Open();
    EXPECT_TRUE(other.Connected());
}

TEST(CommOpen, PseudoTerminalWithoutModemLinesOpensAndRefusesRtsHonestly) {
    TPty pty;
    TXComm c;
    OpenOnPty(c, pty); // holding DTR and RTS off is refused by a pty: not an error
    try {
        c.SetRTS(true);
        FAIL() << "a pty has no RTS line";
    } catch (const EDeviceError& e) {
        EXPECT_EQ(e.ErrorCode(), 3);
        EXPECT_NE(std::string(e.what()).find("(POSIX error 25: "), std::string::npos) << e.what();
    }
    EXPECT_EQ(CodeOf([&] { c.SetDTR(false); }), 3);
    EXPECT_TRUE(c.WriteString("ok"));
    EXPECT_EQ(MasterRead(pty, 2, 2000), "ok");
}

TEST(CommRead, NothingArrivingTimesOutWithoutSpinning) {
    TPty pty;
    TXComm c;
    OpenOnPty(c, pty);
    char buf[10];
    const long long cpu0 = ThreadCpuMs();
    auto start = TTestClock::now();
    EXPECT_EQ(c.Read(buf, sizeof buf, 300), 0u);
    const long long took = MsSince(start);
    EXPECT_GE(took, 300);
    EXPECT_LT(took, 3000);
    EXPECT_LT(ThreadCpuMs() - cpu0, 100) << "the read spun while waiting";

    c.Buffers().SetInputTimeout(100);
    char ch = 0;
    start = TTestClock::now();
    EXPECT_FALSE(c.ReadChar(ch));
    EXPECT_GE(MsSince(start), 100);

    MasterWrite(pty, "abc");
    EXPECT_EQ(c.Read(buf, sizeof buf, 100), 3u); // what came, after the quiet time
    EXPECT_EQ(std::string(buf, 3), "abc");
    MasterWrite(pty, "Z");
    EXPECT_TRUE(c.ReadChar(ch));
    EXPECT_EQ(ch, 'Z');
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

TEST(CommTransfer, AllByteValuesCrossTheLineUnchangedAt19200EightNoneOne) {
    TPty pty;
    TXComm c;
    OpenOnPty(c, pty);
    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    EXPECT_TRUE(c.WriteString(all));
    EXPECT_EQ(MasterRead(pty, 256, 3000), all);

    MasterWrite(pty, all);
    std::string back(256, '\0');
    EXPECT_EQ(c.Read(back.data(), 256, 2000), 256u);
    EXPECT_EQ(back, all);
}

TEST(CommTransfer, WriteLargerThanTheOutputQueueGoesOutInChunksInOrder) {
    TPty pty;
    TXComm c;
    OpenOnPty(c, pty);
    std::string data(100000, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>('A' + i % 23);
    std::string received;
    std::thread reader([&] { received = MasterRead(pty, data.size(), 20000); });
    int chunks = 0;
    c.SetOnSend([&](TCustomComm& sender) {
        ++chunks;
        EXPECT_EQ(sender.LockState(), 1u);
    });
    EXPECT_TRUE(c.WriteString(data));
    reader.join();
    EXPECT_EQ(received, data);
    EXPECT_GE(chunks, static_cast<int>(data.size() / c.Buffers().OutputSize()));
}

TEST(CommTransfer, WriteToALineNobodyReadsStopsAtItsTimeoutWithoutSpinning) {
    TPty pty;
    TXComm c;
    OpenOnPty(c, pty);
    const std::string data(200000, 'x');
    const long long cpu0 = ThreadCpuMs();
    const auto start = TTestClock::now();
    const std::uint32_t sent = c.Write(data.data(), static_cast<std::uint32_t>(data.size()), 300);
    const long long took = MsSince(start);
    EXPECT_GT(sent, 0u);
    EXPECT_LT(sent, data.size());
    EXPECT_GE(took, 300);
    EXPECT_LT(took, 3000);
    EXPECT_LT(ThreadCpuMs() - cpu0, 100) << "the write spun while the line was full";
}

TEST(CommTransfer, HandlersCannotReenterTheTransferTheyReportOn) {
    TPty pty;
    TXComm c;
    OpenOnPty(c, pty);
    int readCode = 0;
    c.SetOnRead([&](TCustomComm& sender) {
        EXPECT_EQ(sender.LockState(), 2u);
        char ch;
        readCode = CodeOf([&] { sender.Read(&ch, 1, 10); });
    });
    int sendCode = 0;
    c.SetOnSend([&](TCustomComm& sender) { sendCode = CodeOf([&] { sender.WriteString("y"); }); });
    MasterWrite(pty, "q");
    char ch = 0;
    EXPECT_TRUE(c.ReadChar(ch));
    EXPECT_TRUE(c.WriteString("x"));
    EXPECT_EQ(readCode, 5);
    EXPECT_EQ(sendCode, 4);
    EXPECT_EQ(c.LockState(), 0u);
}

TEST(CommWait, WaitForInputBlocksUntilDataOrTimeout) {
    TPty pty;
    TXComm c;
    OpenOnPty(c, pty);
    auto start = TTestClock::now();
    const long long cpu0 = ThreadCpuMs();
    EXPECT_FALSE(c.WaitForInput(200));
    EXPECT_GE(MsSince(start), 200);
    EXPECT_LT(ThreadCpuMs() - cpu0, 50);

    std::thread sender([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        MasterWrite(pty, "!");
    });
    start = TTestClock::now();
    EXPECT_TRUE(c.WaitForInput(5000));
    EXPECT_LT(MsSince(start), 2500);
    sender.join();
    EXPECT_EQ(c.InQueue(), 1u);
    EXPECT_TRUE(c.WaitForInput(0)); // still there: answers at once
}

TEST(CommHangUp, OtherSideClosingMidReadRaisesCode10AtOnce) {
    TPty pty;
    TXComm c;
    OpenOnPty(c, pty);
    std::string message;
    int code = 0;
    TTestClock::time_point raisedAt;
    std::thread reader([&] {
        char buf[16];
        try {
            c.Read(buf, sizeof buf, 10000);
        } catch (const EDeviceError& e) {
            raisedAt = TTestClock::now();
            code = e.ErrorCode();
            message = e.what();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the read is waiting by now
    const auto closedAt = TTestClock::now();
    pty.CloseMaster();
    reader.join();
    EXPECT_EQ(code, 10);
    EXPECT_EQ(message, "Unable to read from port. (POSIX error 5: Input/output error)");
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(raisedAt - closedAt).count(),
              1000);

    // Every later use says the same at once instead of reporting an empty line.
    const auto start = TTestClock::now();
    char ch = 0;
    EXPECT_EQ(CodeOf([&] { c.InQueue(); }), 10);
    EXPECT_EQ(CodeOf([&] { c.ReadChar(ch); }), 10);
    EXPECT_EQ(CodeOf([&] { c.WaitForInput(5000); }), 10);
    EXPECT_EQ(CodeOf([&] { c.WriteString("x"); }), 11);
    EXPECT_LT(MsSince(start), 1000);
    c.Close();
    EXPECT_FALSE(c.Connected());
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
