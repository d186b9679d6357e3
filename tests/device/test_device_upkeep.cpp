// What the device does once connected: the commit after a write and the
// "EEPROM" indicator, the keep-alive of a data call, and request codes that
// are not requests.
#include <gtest/gtest.h>

#include <thread>

#include "DeviceRig.h"
#include "SimulatedUnit.h"

namespace {

TSimOptions WithModem() {
    TSimOptions options;
    options.Modem = FastModem();
    return options;
}

// Asks for a page write and returns the indicator once the commit is done.
int CommitState(TDeviceRig& Rig) {
    const auto repaints = [&] {
        const auto texts = Rig.TextsFor(Rig.Rig.Targets.Form1);
        return std::count(texts.begin(), texts.end(), "Repaint12345");
    };
    const auto before = repaints();
    Rig.Rig.WriteState = -1;
    Rig.Link->SetMode(rqWritePage);
    EXPECT_TRUE(Rig.Log.WaitUntil(
        [&] { return repaints() == before + 2 && Rig.Link->Mode() == rqIdle; }, 5000))
        << "the commit repaints the indicator before and after";
    return Rig.Rig.WriteState.load();
}

// The message boxes the current connection asked for.
std::vector<std::string> Messages(TDeviceRig& Rig) {
    std::vector<std::string> texts;
    const auto& all = Rig.Log.All();
    for (std::size_t i = Rig.Mark; i < all.size(); ++i)
        if (all[i].Kind == okMsg)
            texts.push_back(all[i].Text);
    return texts;
}

const char* const CommitFailed =
    "ОШИБКА! Устройство не подтвердило сохранение параметров в EEPROM!";

} // namespace

TEST(DeviceCommit, CommandByRevisionAndEachIndicatorState) {
    TSimulator sim;
    TDeviceRig rig;
    sim.Unit().SetRevision(48);
    ASSERT_TRUE(rig.Connect(sim, "", kRigPauseScale, kRigShortReplyScale));
    EXPECT_EQ(CommitState(rig), 1);
    EXPECT_EQ(sim.Unit().Commands().back(), "+J");
    EXPECT_EQ(sim.Unit().CommitCount(), 1);

    rig.Device.FailNextWrite = true;
    EXPECT_EQ(CommitState(rig), 3) << "committed, but a parameter was not written";
    EXPECT_EQ(CommitState(rig), 1) << "the failed write is reported once";

    EXPECT_TRUE(Messages(rig).empty());

    // Each failed commit says so in a box besides the red indicator.
    sim.Unit().SetCommitFails(true);
    EXPECT_EQ(CommitState(rig), 2) << "refused";
    sim.Unit().SetCommitFails(false);
    sim.Unit().AddFault({.Kind = TSimFaultKind::NoAnswer, .Command = "+J"});
    EXPECT_EQ(CommitState(rig), 2) << "not answered";
    sim.Unit().AddFault({.Kind = TSimFaultKind::Garbage, .Command = "+J"});
    EXPECT_EQ(CommitState(rig), 2) << "noise without \"OK\" is no answer";
    EXPECT_EQ(Messages(rig), std::vector<std::string>(3, CommitFailed));
    EXPECT_FALSE(rig.Link->Finished()) << "a failed commit does not end the link";

    sim.Unit().SetRevision(49);
    ASSERT_TRUE(rig.Connect(sim, "", kRigPauseScale, kRigShortReplyScale));
    EXPECT_EQ(CommitState(rig), 1);
    EXPECT_EQ(sim.Unit().Commands().back(), "+JWRITE");
    EXPECT_EQ(sim.Unit().CommitCount(), 4);
}

TEST(DeviceKeepAlive, SentOnlyOverADataCall) {
    {
        SCOPED_TRACE("cable: the 60 s interval never matters");
        TSimulator sim;
        TDeviceRig rig;
        ASSERT_TRUE(rig.Connect(sim, "", kRigPauseScale, kRigShortReplyScale));
        // 80 s of idle link at the test's time scale.
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        EXPECT_EQ(sim.Unit().Commands(), std::vector<std::string>{"+v"});
        EXPECT_EQ(rig.Log.Find("  Поддержка связи"), -1);
    }
    {
        SCOPED_TRACE("data call: a \"+v\" after a little more than 5 s idle");
        TSimulator sim(WithModem());
        TDeviceRig rig;
        ASSERT_TRUE(rig.Connect(sim, "5551234", kRigPauseScale, kRigShortReplyScale));
        const auto connected = TTestClock::now();
        const auto splash = rig.TextsFor(rig.Rig.Targets.SplashPanel2);
        ASSERT_GE(splash.size(), 4u);
        EXPECT_EQ(splash[splash.size() - 4], "Цифровое соединение успешно установлено");
        EXPECT_EQ(splash[splash.size() - 2], "Идёт проверка версии!\nПопытка 1 из 3");
        EXPECT_EQ(splash.back(), "СОЕДИНЕНИЕ УСТАНОВЛЕНО");
        ASSERT_TRUE(sim.Unit().WaitForCommands(3, 5000));
        EXPECT_GE(MsSince(connected), 2 * 50) << "two keep-alives, each after more than 5 s";

        const std::string rule(81, '=');
        TQueueLog& log = rig.Log;
        const int banner = log.FindExact("  Поддержка связи с Орбелином");
        ASSERT_GT(banner, 0);
        const TPosted before = log.MemoLine(banner - 1);
        EXPECT_TRUE(before.Text == rule && !before.ToMemo && !before.Stamped);
        EXPECT_TRUE(log.MemoLine(banner).Stamped && !log.MemoLine(banner).ToMemo);
        const int reply = log.FindExact(" # +v\r\n>ORBELIN REV 07.41\r\nOK\r\n", banner);
        ASSERT_GT(reply, banner);
        EXPECT_TRUE(log.MemoLine(reply).Stamped && !log.MemoLine(reply).ToMemo);
        EXPECT_EQ(log.MemoLine(reply + 1).Text, rule);
        EXPECT_FALSE(rig.Link->Finished());
    }
}

TEST(DeviceKeepAlive, LostCallDuringKeepAliveEndsTheLink) {
    TSimulator sim(WithModem());
    sim.Unit().AddFault({.Kind = TSimFaultKind::Garbage,
                         .Command = "+v",
                         .Skip = 1,
                         .Bytes = "\r\nNO CARRIER\r\n"});
    TDeviceRig rig;
    ASSERT_TRUE(rig.Connect(sim, "5551234", kRigPauseScale, kRigShortReplyScale));
    ASSERT_TRUE(rig.Link->WaitFor(10000)) << "the link ends by itself";
    const int reply = rig.Log.FindExact(" # \r\nNO CARRIER\r\n");
    ASSERT_GE(reply, 0);
    EXPECT_FALSE(rig.Log.MemoLine(reply).ToMemo);
    EXPECT_GE(rig.Log.FindExact("ОШИБКА! Цифровое соединение разорвано!"), 0);
    EXPECT_EQ(Messages(rig), std::vector<std::string>{"ОШИБКА! Цифровое соединение разорвано!"})
        << "once, although the hang-up fails on the lost line again";
    // The link has ended once it wrote the last command; the modem reads it
    // on its own thread.
    const auto last3 = [&] {
        const auto lines = sim.Modem().Lines();
        return lines.size() < 3 ? lines : std::vector<std::string>(lines.end() - 3, lines.end());
    };
    rig.Log.WaitUntil([&] { return !last3().empty() && last3().back() == "ATZ"; }, 10000);
    EXPECT_EQ(last3(), (std::vector<std::string>{"+++", "ATH", "ATZ"})) << "the call is hung up";
    EXPECT_EQ(rig.TextsFor(rig.Rig.Targets.tbtnDisconnect), std::vector<std::string>{"Click"});
}

TEST(DeviceRequests, CodesThatAreNoRequestsStayPendingWithoutSpinning) {
    TSimulator sim;
    TDeviceRig rig;
    ASSERT_TRUE(rig.Connect(sim));
    for (const std::uint8_t code : {2, 7}) {
        SCOPED_TRACE(static_cast<int>(code));
        rig.Link->SetMode(code);
        const long long cpu = ProcessCpuMs();
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(rig.Link->Mode(), code);
        EXPECT_LT(ProcessCpuMs() - cpu, 150) << "the link thread must not spin on it";
    }
    rig.Link->SetMode(rqReadPage);
    EXPECT_TRUE(rig.Log.WaitUntil([&] { return rig.Link->Mode() == rqIdle; }, 5000))
        << "a request is taken and cleared";
    EXPECT_EQ(sim.Unit().Commands(), std::vector<std::string>{"+v"});
}
