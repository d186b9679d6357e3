// The GSM data call against the simulated modem: the dialogue's steps and
// waits, how dial results and failures are counted, the registration wait,
// and the hang-up that ends every connection made by phone number.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "LinkRig.h"
#include "sim/Simulator.h"

namespace {

const std::string kTyped = "+7 (912) 000-11-22";
const std::string kPhone = "+79120001122";
const std::string kDial = "ATD " + kPhone;

// One connection by phone number through the simulated modem, with the
// program's waits and the modem's timings scaled down together.
struct TModemRun {
    TModemRun(TSimModemConfig Config, bool WaitReg = false, double Scale = 0.01)
        : Sim(Options(Config)),
          Link(MakeLink(Sim.SlavePath(), kTyped, Out, Device, Scale, WaitReg)) {
        Device.OnConnect = [this](TModem& link) {
            ConnectMs = MsSince(Start);
            // The unit's reply gets the protocol's whole wait, whatever the
            // run's scale: a loaded machine hands the bytes on late.
            const int unitWait = static_cast<int>(std::lround(4500 / link.TimeScale()));
            std::string reply;
            UnitReplied = !link.SendCommand("+v", reply, false, false, "OK\r\n", unitWait, 1) &&
                          reply.find("REV 07") != std::string::npos;
        };
        Start = TTestClock::now();
        Link->Resume();
    }

    static TSimOptions Options(TSimModemConfig Config) {
        Config.GuardMs = 5;
        if (Config.CpinDelayMs == TSimModemConfig{}.CpinDelayMs)
            Config.CpinDelayMs = 10;
        if (Config.DialDelayMs == TSimModemConfig{}.DialDelayMs)
            Config.DialDelayMs = 10;
        TSimOptions options;
        options.Modem = Config;
        return options;
    }

    bool Ended(int TimeoutMs = 20000) { return Link->WaitFor(TimeoutMs); }
    std::vector<std::string> Splash() { return Log.TextsFor(Rig.Targets.SplashPanel2); }
    bool SplashShowed(const std::string& Text) {
        const auto s = Splash();
        return std::find(s.begin(), s.end(), Text) != s.end();
    }
    long long CountLines(const std::string& Line) {
        const auto lines = Sim.Modem().Lines();
        return std::count(lines.begin(), lines.end(), Line);
    }

    TSimulator Sim;
    TOutArray Out;
    TRigTargets Rig;
    TScriptDevice Device;
    TQueueLog Log{Out};
    std::unique_ptr<TModem> Link;
    TTestClock::time_point Start;
    std::atomic<long long> ConnectMs{-1};
    std::atomic<bool> UnitReplied{false};
};

} // namespace

TEST(ModemDialogue, DataCallReachesTheUnitAndALostCallHangsUp) {
    TSimModemConfig config;
    config.DropAfterMs = 3000;
    TModemRun run(config, true, 0.02);
    ASSERT_TRUE(run.Log.WaitUntil([&] { return run.ConnectMs >= 0; }, 10000));
    EXPECT_EQ(run.Link->Phone(), kPhone);
    EXPECT_LT(run.ConnectMs.load(), 700) << "\"CONNECT 9600\" ends the 800 ms dial wait at once";
    ASSERT_TRUE(run.Log.WaitUntil([&] { return run.UnitReplied.load(); }, 5000));
    EXPECT_EQ(run.Sim.Unit().Commands(), std::vector<std::string>{"+v"});

    // The modem drops the call while the link is idle: the link ends, hangs
    // up and closes.
    ASSERT_TRUE(run.Ended());
    EXPECT_EQ(run.Sim.Modem().Lines(),
              (std::vector<std::string>{"ATZ", "AT+CBST=7,0,1", "AT", kDial, "+++ATH", "ATZ"}))
        << "ATZ answered, so no registration query although the option is on";
    EXPECT_EQ(run.Splash(),
              (std::vector<std::string>{
                  "Открываем COM-порт: " + run.Sim.SlavePath(),
                  "Успешно открыли COM-порт: " + run.Sim.SlavePath(), "Инициализация модема: ATZ",
                  "Инициализация модема: AT+CBST=7,0,1", "Инициализация модема: AT",
                  "Набор номера: " + kPhone + "\nПопытка 1 из 3",
                  "Цифровое соединение успешно установлено"}));

    TQueueLog& log = run.Log;
    const int clr = log.FindExact("ClrRTS");
    const int set = log.FindExact("SetRTS");
    const int up = log.FindExact(" # Цифровое соединение успешно установлено");
    const int lost = log.FindExact("ОШИБКА! Цифровое соединение разорвано!");
    const int escape = log.FindExact("-> +++");
    const int clrAgain = log.FindExact("ClrRTS", clr + 1);
    const int closed = log.Find(" # Успешно закрыли COM-порт: ");
    EXPECT_TRUE(clr >= 0 && clr < set && set < up && up < lost && lost < escape);
    EXPECT_TRUE(escape < log.FindExact("-> ATH") && log.FindExact("-> ATH") < clrAgain);
    EXPECT_LT(clrAgain, closed);
    EXPECT_NE(log.Find("+CPIN: READY"), -1) << "the wake-up collection is posted";
    EXPECT_EQ(log.TextsFor(run.Rig.Targets.tbtnDisconnect), std::vector<std::string>{"Click"});
}

TEST(ModemDialogue, DialResultsOtherThanConnect9600) {
    {
        SCOPED_TRACE("another speed is taken once the whole wait is over");
        TSimModemConfig config;
        config.Dial = {"CONNECT 4800"};
        TModemRun run(config);
        ASSERT_TRUE(run.Log.WaitUntil([&] { return run.UnitReplied.load(); }, 10000));
        EXPECT_GE(run.ConnectMs.load(), 400);
        run.Link->Terminate();
        ASSERT_TRUE(run.Ended());
        // Hanging up a call that is up: the escape, framed by silence, is taken.
        const auto lines = run.Sim.Modem().Lines();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
                  (std::vector<std::string>{"+++", "ATH", "ATZ"}));
        EXPECT_FALSE(run.Sim.Modem().CallActive());
        EXPECT_NE(run.Log.FindExact("-> +++"), -1);
    }
    // An earlier failure (ATZ refused) and a refused bearer in the same pass
    // as the failed dial make three: one dial only, then the dialogue ends.
    for (const std::string result : {"BUSY", "NO CARRIER", "NO ANSWER"}) {
        SCOPED_TRACE(result);
        TSimModemConfig config;
        config.Atz = {TSimAtReply::Error, TSimAtReply::Ok};
        config.Cbst = {TSimAtReply::Error};
        config.Dial = {result};
        TModemRun run(config);
        ASSERT_TRUE(run.Ended());
        EXPECT_EQ(run.ConnectMs.load(), -1);
        EXPECT_EQ(run.CountLines(kDial), 1);
        EXPECT_EQ(run.CountLines("AT+CREG?"), 0);
        EXPECT_NE(run.Log.FindExact("ОШИБКА! Не могу установить цифровое соединение!"), -1);
        for (const char* text :
             {"ОШИБКА инициализации модема: ATZ", "Не прошла команда: AT+CBST=7,0,1"})
            EXPECT_TRUE(run.SplashShowed(text)) << text;
        // The modem's own answer, and which try it was.
        EXPECT_EQ(run.Splash().back(), "Не могу дозвониться до: " + kPhone +
                                           "\nПопытка 1 из 3\nОтвет модема: " + result);
        // The hang-up runs after a failed dialogue as well.
        const auto lines = run.Sim.Modem().Lines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], "+++ATH");
        EXPECT_EQ(lines.back(), "ATZ");
    }
}

TEST(ModemDialogue, EchoOnlyDialGetsASecondWait) {
    {
        SCOPED_TRACE("the result code comes during the second wait");
        TSimModemConfig config;
        config.DialDelayMs = 550;
        TModemRun run(config);
        ASSERT_TRUE(run.Log.WaitUntil([&] { return run.UnitReplied.load(); }, 10000));
        EXPECT_GE(run.ConnectMs.load(), 550);
        EXPECT_EQ(run.CountLines(kDial), 1);
        run.Link->Terminate();
        ASSERT_TRUE(run.Ended());
    }
    {
        SCOPED_TRACE("nothing but the echo: the dialogue ends at once");
        TSimModemConfig config;
        config.Dial = {""};
        TModemRun run(config);
        ASSERT_TRUE(run.Ended());
        EXPECT_GE(MsSince(run.Start), 800) << "two full dial waits";
        EXPECT_EQ(run.CountLines(kDial), 1);
        EXPECT_NE(run.Log.FindExact("ОШИБКА! COM-порт не ответил!"), -1);
        EXPECT_EQ(run.Splash().back(), "Не могу дозвониться до: " + kPhone +
                                           "\nПопытка 1 из 3\nОтвет модема: нет ответа");
    }
}

TEST(ModemDialogue, RegistrationWaitOnlyAfterAnUnansweredReset) {
    struct TCase {
        const char* Name;
        bool WaitReg;
        std::vector<std::string> Creg;
        long long Queries;
    };
    const std::vector<TCase> cases = {
        {"registered at the third query", true, {"+CREG: 0,2", "+CREG: 0,2", "+CREG: 0,1"}, 3},
        {"roaming is accepted after all five attempts", true, {"+CREG:0,5"}, 5},
        {"an odd spelling as well", true, {"+CREG: 0 , 1"}, 5},
        {"option off: straight to the bearer", false, {"+CREG: 0,1"}, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSimModemConfig config;
        config.Echo = false;
        config.Atz = {TSimAtReply::Silent, TSimAtReply::Ok};
        config.Creg = c.Creg;
        // The attention command fails once: that pass ends before the dial.
        config.At = {TSimAtReply::Error, TSimAtReply::Ok};
        // Each query's answer is judged within its own (scaled) wait, so the
        // wait must stay well above a loaded machine's scheduling delays.
        TModemRun run(config, c.WaitReg, 0.1);
        ASSERT_TRUE(run.Log.WaitUntil([&] { return run.UnitReplied.load(); }, 10000));
        EXPECT_EQ(run.CountLines("AT+CREG?"), c.Queries);
        const auto lines = run.Sim.Modem().Lines();
        const auto bearer = std::find(lines.begin(), lines.end(), "AT+CBST=7,0,1");
        EXPECT_EQ(std::vector<std::string>(bearer, lines.end()),
                  (std::vector<std::string>{"AT+CBST=7,0,1", "AT", "AT+CBST=7,0,1", "AT", kDial}));
        EXPECT_TRUE(run.SplashShowed("ОШИБКА инициализации модема: AT"));
        run.Link->Terminate();
        ASSERT_TRUE(run.Ended());
    }
}

TEST(ModemDialogue, CancelDuringTheRegistrationWaitEndsTheThreadPromptly) {
    TSimModemConfig config;
    config.Atz = {TSimAtReply::Silent};
    config.Creg = {"+CREG: 0,2"};
    TModemRun run(config, true);
    ASSERT_TRUE(run.Sim.Modem().WaitForLines(8, 10000)) << "still asking for registration";
    const auto cancel = TTestClock::now();
    run.Link->Terminate();
    ASSERT_TRUE(run.Ended());
    EXPECT_LT(MsSince(cancel), 2000) << "only the (scaled) hang-up remains to run";
    EXPECT_EQ(run.CountLines("AT+CBST=7,0,1"), 0);
    EXPECT_EQ(run.CountLines("+++ATH"), 1);
    EXPECT_FALSE(run.SplashShowed("Набор номера: " + kPhone));
}

TEST(ModemDialogue, ABoundedHangUpEndsInItsTimeAndStillSendsTheEscapeAndAth) {
    // Nothing answers at all, so every wait of the hang-up runs out: left
    // alone, "+++", ATH and ATZ would each wait 4.5 s for an answer.
    TSimOptions wire;
    wire.Raw = true;
    TSimulator sim(wire);
    TOutArray out;
    TScriptDevice device;
    TQueueLog log(out);
    const auto link =
        MakeLink(sim.SlavePath(), kTyped, out, device, kRigPauseScale, false, kRigReplyScale);
    link->Resume();
    ASSERT_TRUE(log.WaitUntil([&] { return log.Find(" # Успешно открыли COM-порт") >= 0; }, 10000));
    const auto stop = TTestClock::now();
    link->BoundHangUp();
    link->Terminate();
    ASSERT_TRUE(link->WaitFor(30000));
    EXPECT_LT(MsSince(stop), link->HangUpLimitMs() + 2000);
    EXPECT_TRUE(sim.TakeReceived(7, 5000).starts_with("+++ATH\r"));
}
