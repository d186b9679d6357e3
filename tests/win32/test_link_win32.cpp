// The link thread on the Win32 backend, against the simulated unit and modem
// on a COM port: exchanges with their framing and encoding, replies that never
// end, a call the line loses, a line that drops, a port that does not exist,
// and a GSM data call from dial to hang-up.

#include <gtest/gtest.h>

#include <algorithm>
#include <future>

#include "FastModem.h"
#include "LinkRig.h"
#include "WinTestSupport.h"
#include "link/xModem.h"
#include "queue/OutArray.h"
#include "queue/Protocol.h"

namespace {

// 100 ms pause -> 10 ms, 4500 ms reply wait -> 450 ms: short, with room for
// wine's own latency on a busy machine.
constexpr double kScale = 0.1;

// One connection: the link thread on a port, with stand-ins for the screen.
struct TLinkRun {
    TRigTargets Rig;
    TOutArray Out;
    TScriptDevice Device;
    std::unique_ptr<TModem> Link;

    TLinkRun(const std::string& Port, const std::string& Phone, TScriptDevice::TScript Script) {
        Device.OnConnect = std::move(Script);
        Device.ReportIdleFailures = true;
        Link = MakeLink(Port, Phone, Out, Device, kScale);
        Link->Resume();
    }
    bool Ended(int TimeoutMs = 20000) { return Link->WaitFor(TimeoutMs); }
};

struct TExchange {
    bool Failed = false;
    std::string Reply;
    long long Ms = 0;
};

TExchange Send(TModem& Link, const std::string& Command, int Attempts = 1,
               const std::string& EndMark = "OK\r\n") {
    TExchange x;
    const auto start = TTestClock::now();
    x.Failed = Link.SendCommand(Command, x.Reply, false, false, EndMark, 4500, Attempts);
    x.Ms = MsSince(start);
    return x;
}

class LinkWin32 : public ::testing::Test {
protected:
    TSimControlClient Sim;
};

} // namespace

TEST_F(LinkWin32, ExchangesAreFramedEncodedAndEndOnTheMarkInAnyCase) {
    Sim.Reset("--fault=garbage,cmd=+v,bytes=+v\\r\\n>x\\r\\nok\\r\\n");
    TExchange lower, read, write, readBack;
    TLinkRun run(SimPort(), "", [&](TModem& link) {
        lower = Send(link, "+v");
        read = Send(link, "+g");
        write = Send(link, "+gПривет");
        readBack = Send(link, "+g");
        link.Terminate();
    });
    ASSERT_TRUE(run.Ended());
    EXPECT_FALSE(lower.Failed);
    EXPECT_EQ(lower.Reply, "+v\r\n>x\r\nok\r\n");
    EXPECT_LT(lower.Ms, 300) << "the mark ended the wait, not the 450 ms timeout";
    EXPECT_EQ(read.Reply, "+g\r\n>*99***1#\r\nOK\r\n");
    EXPECT_FALSE(write.Failed);
    EXPECT_EQ(readBack.Reply, "+g\r\n>Привет\r\nOK\r\n") << "Windows-1251 both ways";
    EXPECT_EQ(Sim.Commands(), (std::vector<std::string>{"+v", "+g", "+gПривет", "+g"}));

    TQueueLog posted(run.Out);
    const int g = posted.Find("-> +gПривет");
    ASSERT_GE(g, 0);
    EXPECT_EQ(posted.Memo()[static_cast<std::size_t>(g) + 1], " <<- +g\r\n>Привет\r\nOK\r\n");
    EXPECT_GE(posted.Find(" # Успешно открыли COM-порт: " + SimPort()), 0);
    EXPECT_GE(posted.Find(" # Успешно закрыли COM-порт: " + SimPort()), 0);
}

TEST_F(LinkWin32, RepliesWithoutTheirMarkSucceedOnlyWhenSomethingCameAndRetriesAreNumbered) {
    Sim.Reset("--fault=no-ok,cmd=+v --fault=no-answer,cmd=+g,count=every");
    TExchange partial, nothing;
    TLinkRun run(SimPort(), "", [&](TModem& link) {
        partial = Send(link, "+v");
        nothing = Send(link, "+g", 3);
        link.Terminate();
    });
    ASSERT_TRUE(run.Ended());
    EXPECT_FALSE(partial.Failed);
    EXPECT_EQ(partial.Reply, "+v\r\n>ORBELIN REV 07.41\r\n");
    EXPECT_GE(partial.Ms, 450) << "taken only once the wait was over";
    EXPECT_TRUE(nothing.Failed);
    EXPECT_EQ(nothing.Reply, "");
    EXPECT_EQ(Sim.Commands(), (std::vector<std::string>{"+v", "+g", "+g", "+g"}));

    TQueueLog posted(run.Out);
    const std::vector<std::string> memo = posted.Memo();
    const int v = posted.Find("-> +v");
    ASSERT_GE(v, 0);
    EXPECT_EQ(memo[static_cast<std::size_t>(v) + 2], " <- +v\r\n>ORBELIN REV 07.41\r\n");
    const int g = posted.Find("-> +g");
    ASSERT_GE(g, 0);
    ASSERT_GE(memo.size(), static_cast<std::size_t>(g) + 7);
    EXPECT_EQ(std::vector<std::string>(memo.begin() + g + 1, memo.begin() + g + 7),
              (std::vector<std::string>{" # Попытка № 1", " <<- ", " # Попытка № 2", " <<- ",
                                        " # Попытка № 3", " <<- "}));
}

TEST_F(LinkWin32, ACallLostWhileIdleEndsTheLinkAndClicksDisconnect) {
    Sim.Reset();
    std::promise<void> idle;
    TLinkRun run(SimPort(), "", [&](TModem& link) {
        Send(link, "+v");
        idle.set_value();
    });
    ASSERT_EQ(idle.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    Sim.Command("send \\r\\nNO CARRIER\\r\\n");
    ASSERT_TRUE(run.Ended());

    TQueueLog posted(run.Out);
    const int drained = posted.Find("<<<<- \r\nNO CARRIER\r\n");
    ASSERT_GE(drained, 0);
    EXPECT_FALSE(posted.MemoLine(drained).ToMemo) << "log file only";
    const int lost = posted.Find("ОШИБКА! Цифровое соединение разорвано!");
    EXPECT_GT(lost, drained);
    EXPECT_GT(posted.Find(" # Успешно закрыли COM-порт: "), lost);
    EXPECT_EQ(posted.TextsFor(run.Rig.Targets.tbtnDisconnect), std::vector<std::string>{"Click"});
}

TEST_F(LinkWin32, ALineThatDropsEndsTheLinkWithTheSystemsAccountOnce) {
    Sim.Reset();
    std::promise<void> idle;
    TLinkRun run(SimPort(), "", [&](TModem& link) {
        Send(link, "+v");
        idle.set_value();
    });
    ASSERT_EQ(idle.get_future().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    Sim.Command("drop");
    ASSERT_TRUE(run.Ended());

    TQueueLog posted(run.Out);
    // The idle wait or the drain, whichever meets it first, reports the
    // system's account of the failed read, and nothing reports it again.
    const std::string account = "не удалось прочитать из порта (Win32 error ";
    const std::vector<std::string> memo = posted.Memo();
    const auto count = [&](const std::string& Prefix) {
        return std::count_if(memo.begin(), memo.end(),
                             [&](const std::string& l) { return l.starts_with(Prefix); });
    };
    const auto inWait = count(" # !!! Ошибка при работе с COM-портом: " + account);
    const auto drain = count(" # !!! Ошибка при чтении данных из COM-порта: " + account);
    std::string all;
    for (const std::string& l : memo)
        all += l + "\n";
    EXPECT_EQ(inWait + drain, 1) << all;
    EXPECT_EQ(count(" # !!! "), 1) << all;
    EXPECT_GE(posted.Find(" # Поток завершил работу"), 0);
    EXPECT_EQ(posted.TextsFor(run.Rig.Targets.tbtnDisconnect), std::vector<std::string>{"Click"});
}

TEST_F(LinkWin32, APortThatDoesNotExistEndsTheThreadBeforeTheDevice) {
    TLinkRun run("COM199", "", nullptr);
    ASSERT_TRUE(run.Ended());
    EXPECT_EQ(run.Device.Dispatches.load(), 0);
    TQueueLog posted(run.Out);
    EXPECT_GE(posted.Find(" # !!! Ошибка открытия COM-порта: не удалось открыть порт COM199: нет "
                          "такого порта (Win32 error 2: "),
              0);
    const auto splash = posted.TextsFor(run.Rig.Targets.SplashPanel2);
    ASSERT_FALSE(splash.empty());
    EXPECT_EQ(splash.back(), "Ошибка при открытии COM-порта: COM199 — нет такого порта");
}

TEST_F(LinkWin32, DataCallThroughTheModemReachesTheUnitAndHangsUp) {
    Sim.Reset(std::string("--modem=") + kFastModemVariants);
    TExchange version;
    std::atomic<bool> callActive{false};
    TLinkRun run(SimPort(), "+7 (912) 000-11-22", [&](TModem& link) {
        callActive = link.CallActive();
        version = Send(link, "+v");
        link.Terminate();
    });
    ASSERT_TRUE(run.Ended());
    EXPECT_TRUE(callActive.load());
    EXPECT_FALSE(version.Failed);
    EXPECT_EQ(version.Reply, "+v\r\n>ORBELIN REV 07.41\r\nOK\r\n");
    EXPECT_EQ(Sim.Commands(), std::vector<std::string>{"+v"});
    EXPECT_EQ(Sim.ModemLines(),
              (std::vector<std::string>{"ATZ", "AT+CBST=7,0,1", "AT", "ATD +79120001122", "+++",
                                        "ATH", "ATZ"}));

    // RTS cannot move on wine's pseudo-terminal: the dialogue goes on all the
    // same, as it does with any port that has no modem lines.
    TQueueLog posted(run.Out);
    const int clr = posted.Find("ClrRTS");
    const int set = posted.Find("SetRTS");
    const int up = posted.Find(" # Цифровое соединение успешно установлено");
    EXPECT_TRUE(clr >= 0 && clr < set && set < up);
    EXPECT_GT(posted.Find("ClrRTS", up), up) << "the hang-up drops RTS again";
}
