// The link thread's life: the phone number it keeps, a port that cannot be
// opened or goes away, a lost call while idle, and stopping in the middle of
// a wait.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "LinkRig.h"
#include "SimSupport.h"
#include "sim/Simulator.h"

TEST(LinkThread, PhoneNumberKeepsOnlyWhatCanBeDialled) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"   ", ""},
        {"+7 (912) 345-67-89", "+79123456789"},
        {" 8 912 ", "8912"},
        {"8w12,3;4W", "8w12,3;4W"},
        {"abc", ""},
    };
    TOutArray out;
    TScriptDevice device;
    for (const auto& [typed, kept] : cases) {
        TModem link("ttyS0", typed, out, device, false);
        EXPECT_EQ(link.Phone(), kept) << "typed: \"" << typed << "\"";
    }
}

TEST(LinkThread, PortThatCannotBeOpenedEndsTheThreadWithoutTheDevice) {
    const std::string name = "/dev/orbelin-no-such-port";
    for (const std::string phone : {"", "123"}) {
        SCOPED_TRACE("phone \"" + phone + "\"");
        TOutArray out;
        TRigTargets rig;
        TScriptDevice device;
        auto link = MakeLink(name, phone, out, device, 0.01);
        link->Resume();
        ASSERT_TRUE(link->WaitFor(5000));

        TQueueLog log(out);
        EXPECT_EQ(device.Dispatches.load(), 0);
        std::vector<std::string> memo = {
            " # Поток начал работу", " # !!! Ошибка открытия COM-порта: не удалось открыть порт " +
                                         name +
                                         ": нет такого порта (POSIX error 2: No such file or "
                                         "directory)"};
        if (!phone.empty()) {
            // The hang-up still runs: its commands fail silently on the closed
            // port, only RTS and the collection have something to say.
            memo.push_back("ClrRTS");
            memo.push_back(" # !!! Ошибка при чтении данных из COM-порта: порт не открыт");
            memo.push_back("");
        }
        memo.push_back(" # Поток завершил работу");
        EXPECT_EQ(log.Memo(), memo);
        EXPECT_EQ(log.TextsFor(rig.Targets.SplashPanel2),
                  (std::vector<std::string>{"Открываем COM-порт: " + name,
                                            "Ошибка при открытии COM-порта: " + name +
                                                " — нет такого порта"}));
        ASSERT_FALSE(log.All().empty());
        EXPECT_EQ(log.All().back().Control, rig.Targets.tbtnDisconnect);
        EXPECT_EQ(log.All().back().Text, "Click");
    }
}

TEST(LinkThread, UnsolicitedNoCarrierWhileIdleEndsTheThread) {
    for (const bool enabled : {true, false}) {
        SCOPED_TRACE(enabled ? "disconnect button enabled" : "disconnect button disabled");
        TSimulator sim;
        TOutArray out;
        TRigTargets rig;
        rig.DisconnectEnabled = enabled;
        TScriptDevice device;
        std::atomic<bool> connected{false};
        device.OnConnect = [&](TModem&) { connected = true; };
        auto link = MakeLink(sim.SlavePath(), "", out, device, 0.01);
        link->Resume();
        // The end of the link clicks the button only while it is enabled.
        TQueueLog log(out, rig.Targets);
        ASSERT_TRUE(log.WaitUntil([&] { return connected.load(); }, 5000));
        sim.Unit().SendNoCarrier();
        ASSERT_TRUE(link->WaitFor(5000)) << "a lost call ends the link thread";

        const int drained = log.FindExact("<<<<- \r\nNO CARRIER\r\n");
        ASSERT_GE(drained, 0);
        EXPECT_FALSE(log.MemoLine(drained).ToMemo) << "log file only";
        const int lost = log.FindExact("ОШИБКА! Цифровое соединение разорвано!");
        const int closed = log.FindExact(" # Успешно закрыли COM-порт: " + sim.SlavePath());
        const int ended = log.FindExact(" # Поток завершил работу");
        EXPECT_LT(drained, lost);
        EXPECT_LT(lost, closed);
        EXPECT_LT(closed, ended);
        EXPECT_EQ(log.Find("ClrRTS"), -1) << "no modem over a cable, no hang-up";
        const auto clicks = log.TextsFor(rig.Targets.tbtnDisconnect);
        EXPECT_EQ(clicks.size(), enabled ? 1u : 0u);
        if (enabled) {
            EXPECT_EQ(log.All().back().Text, "Click");
        }
    }
}

TEST(LinkThread, LineDropAndStopRequestEndAWaitAtOnce) {
    TOutArray out;
    {
        SCOPED_TRACE("the far side vanishes while a reply is awaited");
        TSimulator sim;
        sim.Unit().AddFault({.Kind = TSimFaultKind::DropLine, .Command = "+v"});
        TScriptDevice device;
        bool failed = false;
        long long ms = 0;
        device.OnConnect = [&](TModem& link) {
            std::string reply;
            const auto start = TTestClock::now();
            failed = link.SendCommand("+v", reply, false, false, "OK\r\n", 4500, 1);
            ms = MsSince(start);
        };
        auto link = MakeLink(sim.SlavePath(), "", out, device, 1.0);
        link->Resume();
        ASSERT_TRUE(link->WaitFor(5000));
        EXPECT_TRUE(sim.LineDropped());
        EXPECT_TRUE(failed);
        EXPECT_LT(ms, 2500) << "a hang-up is not waited out";
        TQueueLog log(out);
        EXPECT_GE(log.Find(" # !!! Ошибка при чтении данных из COM-порта: "), 0);
        EXPECT_GE(log.FindExact(" # Поток завершил работу"), 0);
    }
    {
        SCOPED_TRACE("with a phone number the hang-up does not report the lost line again");
        TSimOptions options;
        options.Modem = FastModem();
        TSimulator sim(options);
        sim.Unit().AddFault({.Kind = TSimFaultKind::DropLine, .Command = "+v"});
        TOutArray calls;
        TScriptDevice device;
        device.OnConnect = [](TModem& link) {
            std::string reply;
            link.SendCommand("+v", reply, false, false, "OK\r\n", 4500, 1);
        };
        auto link = MakeLink(sim.SlavePath(), "5551234", calls, device, 0.01);
        link->Resume();
        ASSERT_TRUE(link->WaitFor(5000));
        TQueueLog log(calls);
        int errors = 0;
        for (const std::string& line : log.Memo())
            errors += line.starts_with(" # !!! ");
        EXPECT_EQ(errors, 1);
        EXPECT_GE(log.FindExact("ClrRTS", log.Find(" # !!! ")), 0) << "the hang-up still ran";
    }
    {
        SCOPED_TRACE("the operator disconnects while a reply is awaited");
        TSimulator sim;
        sim.Unit().AddFault({.Kind = TSimFaultKind::NoAnswer, .Command = "+v"});
        TScriptDevice device;
        bool first = false, second = false;
        device.OnConnect = [&](TModem& link) {
            std::string reply;
            first = link.SendCommand("+v", reply, false, false, "OK\r\n", 4500, 1);
            second = link.SendCommand("+g", reply, false, false, "OK\r\n", 4500, 3);
        };
        auto link = MakeLink(sim.SlavePath(), "", out, device, 1.0);
        link->Resume();
        ASSERT_TRUE(sim.Unit().WaitForCommands(1, 5000));
        const auto stop = TTestClock::now();
        link->Terminate();
        ASSERT_TRUE(link->WaitFor(5000));
        EXPECT_LT(MsSince(stop), 1000) << "the 4500 ms wait must not run out";
        EXPECT_TRUE(first);
        EXPECT_TRUE(second) << "after the request every exchange fails";
        EXPECT_EQ(sim.Unit().Commands(), std::vector<std::string>{"+v"});
    }
    {
        SCOPED_TRACE("idle, a new request and a stop request end the wait at once");
        TSimulator sim;
        TScriptDevice device;
        std::atomic<long long> byRequest{-1}, byStop{-1};
        std::atomic<bool> connected{false};
        device.OnConnect = [&](TModem& link) {
            connected = true;
            auto start = TTestClock::now();
            link.IdleWait(60000, true);
            byRequest = MsSince(start);
            start = TTestClock::now();
            link.IdleWait(60000, false);
            byStop = MsSince(start);
        };
        auto link = MakeLink(sim.SlavePath(), "", out, device, 1.0);
        link->Resume();
        // The connection comes first (slow under a sanitizer on a loaded
        // machine); a request made before the wait began is the wait's own:
        // ask again.
        const auto begin = TTestClock::now();
        while (!connected && MsSince(begin) < 30000)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(connected);
        for (std::uint8_t code = 30; byRequest < 0 && code < 130; ++code) {
            link->SetMode(code);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        link->Terminate();
        ASSERT_TRUE(link->WaitFor(5000));
        EXPECT_GE(byRequest, 0);
        EXPECT_LT(byRequest, 10000);
        EXPECT_GE(byStop, 0);
        EXPECT_LT(byStop, 10000);
    }
}
