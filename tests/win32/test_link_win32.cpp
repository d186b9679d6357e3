// The link thread on the Win32 backend, against the simulated unit and modem
// on a COM port: exchanges with their framing and encoding, replies that never
// end, a call the line loses, a line that drops, a port that does not exist,
// and a GSM data call from dial to hang-up.

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <regex>

#include "OutArray.h"
#include "Protocol.h"
#include "WinTestSupport.h"
#include "xModem.h"

namespace {

// 100 ms pause -> 10 ms, 4500 ms reply wait -> 450 ms: short, with room for
// wine's own latency on a busy machine.
constexpr double kScale = 0.1;

TControlRef FakeControl(std::uintptr_t N) {
    return reinterpret_cast<TControlRef>(N * 0x100);
}

// What the link thread posted, read once it has ended: memo lines without
// their date-and-time stamps, and the texts posted to each control.
struct TPosted {
    std::vector<std::string> Memo;
    std::vector<bool> Shown;
    std::vector<std::pair<TControlRef, std::string>> Texts;

    explicit TPosted(TOutArray& Out) {
        static const std::regex stamp(R"(^\d\d\.\d\d\.\d{4} \d{1,2}:\d\d:\d\d )");
        TOutElement* e = nullptr;
        while (Out.Take(e) != 0) {
            if (const auto* m = dynamic_cast<const TMemoOut*>(e)) {
                Memo.push_back(std::regex_replace(m->Text, stamp, "",
                                                  std::regex_constants::format_first_only));
                Shown.push_back(m->ToMemo);
            } else if (const auto* c = dynamic_cast<const TControlOut*>(e)) {
                Texts.emplace_back(c->Control, c->Text);
            }
        }
    }
    int Find(const std::string& Prefix, int From = 0) const {
        for (int i = std::max(From, 0); i < static_cast<int>(Memo.size()); ++i)
            if (Memo[static_cast<std::size_t>(i)].starts_with(Prefix))
                return i;
        return -1;
    }
    int Count(const std::string& Prefix) const {
        return static_cast<int>(std::count_if(
            Memo.begin(), Memo.end(), [&](const std::string& l) { return l.starts_with(Prefix); }));
    }
    std::vector<std::string> TextsFor(TControlRef Control) const {
        std::vector<std::string> texts;
        for (const auto& [control, text] : Texts)
            if (control == Control)
                texts.push_back(text);
        return texts;
    }
};

// A device object whose connect step runs the test's script in the link
// thread; idle passes drain the input and wait briefly, as a real one does.
class TScriptDevice : public TDevice {
public:
    using TScript = std::function<void(TModem& Link)>;
    TScript OnConnect;
    TModem* Link = nullptr;
    std::atomic<int> Dispatches{0};

    void Dispatch(std::uint8_t Code) override {
        ++Dispatches;
        if (Code == rqConnect) {
            if (!Link->ConnectModem())
                return;
            if (OnConnect)
                OnConnect(*Link);
            Link->SetMode(rqIdle);
        } else if (Code == rqIdle) {
            Link->DrainInput();
            try {
                Link->IdleWait(20, true);
            } catch (const std::exception& e) {
                Link->PostLine(std::string(" # !!! Ошибка при работе с COM портом: ") + e.what(),
                               true, true);
                Link->Terminate();
            }
        }
    }
};

// One connection: the link thread on a port, with stand-ins for the screen.
struct TLinkRun {
    std::atomic<std::int32_t> WriteState{0};
    TUiTargets Targets{WriteState};
    TOutArray Out;
    TScriptDevice Device;
    std::unique_ptr<TModem> Link;

    TLinkRun(const std::string& Port, const std::string& Phone, TScriptDevice::TScript Script,
             double Scale = kScale) {
        Targets.SplashPanel2 = FakeControl(1);
        Targets.SplashButton1 = FakeControl(2);
        Targets.tbtnDisconnect = FakeControl(6);
        Targets.DisconnectEnabled = [] { return true; };
        Device.OnConnect = std::move(Script);
        Link = std::make_unique<TModem>(Port, Phone, Out, Device, false, Targets);
        Link->SetTimeScaleForTests(Scale);
        Device.Link = Link.get();
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

    const TPosted posted(run.Out);
    const int g = posted.Find("-> +gПривет");
    ASSERT_GE(g, 0);
    EXPECT_EQ(posted.Memo[static_cast<std::size_t>(g) + 1], " <<- +g\r\n>Привет\r\nOK\r\n");
    EXPECT_GE(posted.Find(" # Успешно открыли COM порт: " + SimPort()), 0);
    EXPECT_GE(posted.Find(" # Успешно закрыли COM порт: " + SimPort()), 0);
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

    const TPosted posted(run.Out);
    const int v = posted.Find("-> +v");
    ASSERT_GE(v, 0);
    EXPECT_EQ(posted.Memo[static_cast<std::size_t>(v) + 2], " <- +v\r\n>ORBELIN REV 07.41\r\n");
    const int g = posted.Find("-> +g");
    ASSERT_GE(g, 0);
    ASSERT_GE(posted.Memo.size(), static_cast<std::size_t>(g) + 7);
    EXPECT_EQ(std::vector<std::string>(posted.Memo.begin() + g + 1, posted.Memo.begin() + g + 7),
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

    const TPosted posted(run.Out);
    const int drained = posted.Find("<<<<- \r\nNO CARRIER\r\n");
    ASSERT_GE(drained, 0);
    EXPECT_FALSE(posted.Shown[static_cast<std::size_t>(drained)]) << "log file only";
    const int lost = posted.Find("ОШИБКА!Цифровое соединение разорвано!");
    EXPECT_GT(lost, drained);
    EXPECT_GT(posted.Find(" # Успешно закрыли COM порт: "), lost);
    EXPECT_EQ(posted.TextsFor(run.Targets.tbtnDisconnect), std::vector<std::string>{"Click"});
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

    const TPosted posted(run.Out);
    // The idle wait or the drain, whichever meets it first, reports the
    // system's account of the failed read, and nothing reports it again.
    const std::string account = "Unable to read from port. (Win32 error ";
    const int inWait = posted.Count(" # !!! Ошибка при работе с COM портом: " + account);
    const int drain = posted.Count(" # !!! Ошибка при чтении данных из COM порта: " + account);
    EXPECT_EQ(inWait + drain, 1);
    EXPECT_EQ(posted.Count(" # !!! "), 1);
    EXPECT_GE(posted.Find(" # Поток завершил работу"), 0);
    EXPECT_EQ(posted.TextsFor(run.Targets.tbtnDisconnect), std::vector<std::string>{"Click"});
}

TEST_F(LinkWin32, APortThatDoesNotExistEndsTheThreadBeforeTheDevice) {
    TLinkRun run("COM199", "", nullptr);
    ASSERT_TRUE(run.Ended());
    EXPECT_EQ(run.Device.Dispatches.load(), 0);
    const TPosted posted(run.Out);
    EXPECT_GE(posted.Find(" # !!! Ошибка открытия COM порта: Cannot open device COM199: нет "
                          "такого порта (Win32 error 2: "),
              0);
    const auto splash = posted.TextsFor(run.Targets.SplashPanel2);
    ASSERT_FALSE(splash.empty());
    EXPECT_EQ(splash.back(), "Ошибка при открытии COM порта: COM199 — нет такого порта");
}

TEST_F(LinkWin32, DataCallThroughTheModemReachesTheUnitAndHangsUp) {
    Sim.Reset("--modem=guard=5,cpin=10,dial-delay=10");
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
    const TPosted posted(run.Out);
    const int clr = posted.Find("ClrRTS");
    const int set = posted.Find("SetRTS");
    const int up = posted.Find(" # Цифровое соединение успешно установленно");
    EXPECT_TRUE(clr >= 0 && clr < set && set < up);
    EXPECT_GT(posted.Find("ClrRTS", up), up) << "the hang-up drops RTS again";
}
