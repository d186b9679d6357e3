// The simulated GSM modem in front of the unit: the AT dialogue, the data
// call, the escape with its guard time and the ways a call ends.
#include <gtest/gtest.h>

#include <chrono>

#include "TestClock.h"
#include "TestPort.h"
#include "sim/Simulator.h"

namespace {

using TClock = std::chrono::steady_clock;
constexpr int kGuardMs = 100;

TSimOptions WithModem(TSimModemConfig config = {}) {
    config.GuardMs = kGuardMs;
    config.DialDelayMs = 20;
    if (config.CpinDelayMs == TSimModemConfig{}.CpinDelayMs)
        config.CpinDelayMs = -1;
    TSimOptions options;
    options.Modem = config;
    return options;
}

void Dial(TTestPort& port) {
    port.Write("ATD 5551234\r");
    ASSERT_EQ(port.ReadUntil("CONNECT 9600\r\n"), "ATD 5551234\r\r\nCONNECT 9600\r\n");
}

// Silence on the line for longer than the guard time, then "+++".
void Escape(TTestPort& port) {
    ASSERT_EQ(port.ReadFor(kGuardMs + 50), "");
    port.Write("+++");
    ASSERT_EQ(port.ReadUntil("OK\r\n"), "\r\nOK\r\n");
}

const std::string kVersionReply = "+v\r\n>ORBELIN REV 07.41\r\nOK\r\n";

} // namespace

TEST(SimModem, DialogueThenDataCallReachesTheUnit) {
    TSimulator sim(WithModem());
    TTestPort port(sim.SlavePath());
    EXPECT_EQ(port.Exchange("ATZ"), "ATZ\r\r\nOK\r\n");
    EXPECT_EQ(port.Exchange("AT+CREG?"), "AT+CREG?\r\r\n+CREG: 0,1\r\n\r\nOK\r\n");
    EXPECT_EQ(port.Exchange("AT+CBST=7,0,1"), "AT+CBST=7,0,1\r\r\nOK\r\n");
    EXPECT_EQ(port.Exchange("AT"), "AT\r\r\nOK\r\n");
    EXPECT_EQ(port.Exchange("+v"), "+v\r\r\nERROR\r\n") << "no call yet: the modem answers";
    Dial(port);
    EXPECT_TRUE(sim.Modem().CallActive());
    EXPECT_TRUE(sim.Modem().InDataMode());
    EXPECT_EQ(port.Exchange("+v"), kVersionReply);
    EXPECT_EQ(sim.Modem().Lines(), (std::vector<std::string>{"ATZ", "AT+CREG?", "AT+CBST=7,0,1",
                                                             "AT", "+v", "ATD 5551234"}));
    EXPECT_EQ(sim.Unit().Commands(), std::vector<std::string>{"+v"});
}

TEST(SimModem, EchoLetterCaseAndNoiseBeforeAt) {
    TSimModemConfig config;
    config.Echo = false;
    TSimulator sim(WithModem(config));
    TTestPort port(sim.SlavePath());
    EXPECT_EQ(port.Exchange("atz"), "\r\nOK\r\n");
    EXPECT_EQ(port.Exchange("+++ATH"), "\r\nOK\r\n");
    EXPECT_EQ(port.Exchange("hello"), "\r\nERROR\r\n");
    EXPECT_EQ(port.Exchange("ATE1"), "\r\nOK\r\n");
    EXPECT_EQ(port.Exchange("at"), "at\r\r\nOK\r\n");
    EXPECT_EQ(port.Exchange("ATZ"), "ATZ\r\r\nOK\r\n") << "reset keeps the configured echo";
    EXPECT_EQ(port.Exchange("AT"), "\r\nOK\r\n");
    EXPECT_TRUE(sim.Modem().WaitForLines(7, 1000));
    EXPECT_EQ(sim.Modem().Lines().at(1), "+++ATH");
}

TEST(SimModem, EachStepAnswersFromItsList) {
    TSimModemConfig config;
    config.Atz = {TSimAtReply::Error, TSimAtReply::Silent, TSimAtReply::Ok};
    config.Cbst = {TSimAtReply::Error};
    config.At = {TSimAtReply::Silent, TSimAtReply::Ok};
    config.Creg = {"+CREG: 0,2", "+CREG:0,5", "+CREG: 0 , 1", ""};
    TSimulator sim(WithModem(config));
    TTestPort port(sim.SlavePath());
    EXPECT_EQ(port.Exchange("ATZ"), "ATZ\r\r\nERROR\r\n");
    port.Write("ATZ\r"); // silent: the next answer is the next command's
    EXPECT_EQ(port.Exchange("ATZ"), "ATZ\rATZ\r\r\nOK\r\n");
    EXPECT_EQ(port.Exchange("AT+CBST=7,0,1"), "AT+CBST=7,0,1\r\r\nERROR\r\n");
    EXPECT_EQ(port.Exchange("AT+CBST=7,0,1"), "AT+CBST=7,0,1\r\r\nERROR\r\n");
    port.Write("AT\r");
    EXPECT_EQ(port.Exchange("AT"), "AT\rAT\r\r\nOK\r\n");
    for (const char* reply : {"+CREG: 0,2", "+CREG:0,5", "+CREG: 0 , 1"})
        EXPECT_EQ(port.Exchange("AT+CREG?"),
                  std::string("AT+CREG?\r\r\n") + reply + "\r\n\r\nOK\r\n");
    port.Write("AT+CREG?\r");
    port.Write("AT+CREG?\r");
    EXPECT_EQ(port.Exchange("AT"), "AT+CREG?\rAT+CREG?\rAT\r\r\nOK\r\n");

    // New behaviours start their counts again.
    config.Atz = {TSimAtReply::Ok};
    sim.Modem().Configure(config);
    EXPECT_EQ(port.Exchange("AT+CREG?"), "AT+CREG?\r\r\n+CREG: 0,2\r\n\r\nOK\r\n");
}

TEST(SimModem, DialResultsDecideWhetherACallStarts) {
    TSimModemConfig config;
    config.Dial = {"BUSY", "NO CARRIER", "NO ANSWER", "ERROR", "CONNECT 4800"};
    TSimulator sim(WithModem(config));
    TTestPort port(sim.SlavePath());
    for (const char* result : {"BUSY", "NO CARRIER", "NO ANSWER", "ERROR"}) {
        port.Write("ATD 1\r");
        EXPECT_EQ(port.ReadUntil(std::string(result) + "\r\n"),
                  std::string("ATD 1\r\r\n") + result + "\r\n");
        EXPECT_FALSE(sim.Modem().CallActive()) << result;
    }
    port.Write("ATD 1\r");
    EXPECT_EQ(port.ReadUntil("4800\r\n"), "ATD 1\r\r\nCONNECT 4800\r\n");
    EXPECT_TRUE(sim.Modem().InDataMode());
    EXPECT_EQ(port.Exchange("+v"), kVersionReply);
}

TEST(SimModem, DialWithOnlyTheEchoAndAnAbortedDial) {
    TSimModemConfig config;
    config.Dial = {"", "CONNECT 9600"};
    TSimulator sim(WithModem(config));
    TTestPort port(sim.SlavePath());
    port.Write("ATD 1\r");
    EXPECT_EQ(port.Exchange("AT"), "ATD 1\rAT\r\r\nOK\r\n");

    config.Dial = {"CONNECT 9600"};
    config.DialDelayMs = 60000; // longer than the test: only the abort can end it
    sim.Modem().Configure(config);
    port.Write("ATD 1\r");
    EXPECT_EQ(port.ReadFor(50), "ATD 1\r");
    port.Write("x");
    EXPECT_EQ(port.ReadUntil("CARRIER\r\n"), "\r\nNO CARRIER\r\n");
    EXPECT_FALSE(sim.Modem().CallActive());
    EXPECT_EQ(port.Exchange("AT"), "AT\r\r\nOK\r\n");
}

TEST(SimModem, EscapeNeedsTheGuardTimeOnBothSides) {
    TSimulator sim(WithModem());
    TTestPort port(sim.SlavePath());
    Dial(port);
    // Right after data, "+++" is data.
    port.Write("+T\r+++\r");
    EXPECT_EQ(port.ReadUntil("ERROR\r\n"), "+T\r\n>04\r\nOK\r\nERROR\r\n");
    // After silence, but followed at once by more data: still data.
    EXPECT_EQ(port.ReadFor(kGuardMs + 50), "");
    port.Write("+++x\r");
    EXPECT_EQ(port.ReadUntil("ERROR\r\n"), "ERROR\r\n");
    // A "+" typed slowly is not lost.
    EXPECT_EQ(port.ReadFor(kGuardMs + 50), "");
    port.Write("+");
    EXPECT_EQ(port.ReadFor(kGuardMs + 50), "");
    port.Write("v\r");
    EXPECT_EQ(port.ReadUntil("OK\r\n"), kVersionReply);
    EXPECT_EQ(sim.Unit().Commands(), (std::vector<std::string>{"+T", "+++", "+++x", "+v"}));
    EXPECT_TRUE(sim.Modem().InDataMode());

    // Silence, "+++", silence: command mode with the call kept.
    EXPECT_EQ(port.ReadFor(kGuardMs + 50), "");
    const auto start = TClock::now();
    port.Write("+++");
    EXPECT_EQ(port.ReadUntil("OK\r\n"), "\r\nOK\r\n");
    EXPECT_GE(MsSince(start), kGuardMs);
    EXPECT_FALSE(sim.Modem().InDataMode());
    EXPECT_TRUE(sim.Modem().CallActive());
    EXPECT_EQ(sim.Modem().Lines().back(), "+++");
    port.Write("ATO\r");
    EXPECT_EQ(port.ReadUntil("9600\r\n"), "ATO\r\r\nCONNECT 9600\r\n");
    EXPECT_EQ(port.Exchange("+v"), kVersionReply);
}

TEST(SimModem, HangUpResetAndTheModemsOwnDrop) {
    TSimModemConfig config;
    TSimulator sim(WithModem(config));
    TSimModem& modem = sim.Modem();
    TTestPort port(sim.SlavePath());
    Dial(port);
    Escape(port);
    EXPECT_EQ(port.Exchange("ATH"), "ATH\r\r\nOK\r\n");
    EXPECT_FALSE(modem.CallActive());
    port.Write("ATO\r");
    EXPECT_EQ(port.ReadUntil("CARRIER\r\n"), "ATO\r\r\nNO CARRIER\r\n");

    Dial(port);
    Escape(port);
    EXPECT_EQ(port.Exchange("ATZ"), "ATZ\r\r\nOK\r\n");
    EXPECT_FALSE(modem.CallActive());

    Dial(port);
    EXPECT_TRUE(modem.DropCall());
    EXPECT_EQ(port.ReadUntil("CARRIER\r\n"), "\r\nNO CARRIER\r\n");
    EXPECT_FALSE(modem.CallActive());
    EXPECT_FALSE(modem.DropCall());
    EXPECT_EQ(port.Exchange("+v"), "+v\r\r\nERROR\r\n");

    config.DropAfterMs = 150;
    modem.Configure(WithModem(config).Modem.value());
    // Timed from before the dial: the drop is counted from the connection,
    // which the modem makes before this side has read its answer.
    const auto start = TClock::now();
    Dial(port);
    EXPECT_EQ(port.ReadUntil("CARRIER\r\n", 5000), "\r\nNO CARRIER\r\n");
    EXPECT_GE(MsSince(start), 150);
    EXPECT_FALSE(modem.CallActive());
}

TEST(SimModem, UnitOutputReachesTheLineOnlyDuringTheCall) {
    TSimulator sim(WithModem());
    TTestPort port(sim.SlavePath());
    sim.Unit().SendUnsolicited("LOST");
    EXPECT_EQ(port.Exchange("AT"), "AT\r\r\nOK\r\n");
    Dial(port);
    sim.Unit().SendNoCarrier();
    EXPECT_EQ(port.ReadUntil("CARRIER\r\n"), "\r\nNO CARRIER\r\n");
    EXPECT_TRUE(sim.Modem().CallActive()) << "the unit's words do not end the modem's call";
}

TEST(SimModem, ReadyMessageFollowsEachOpenOfThePort) {
    TSimModemConfig config;
    config.CpinDelayMs = 100;
    TSimulator sim(WithModem(config));
    for (int i = 0; i < 2; ++i) {
        const auto start = TClock::now();
        TTestPort port(sim.SlavePath());
        EXPECT_EQ(port.ReadUntil("READY"), "+CPIN: READY") << "open " << i;
        EXPECT_GE(MsSince(start), 90);
        EXPECT_EQ(port.Exchange("AT"), "AT\r\r\nOK\r\n");
    }
    config.CpinDelayMs = -1;
    TSimulator silent(WithModem(config));
    TTestPort port(silent.SlavePath());
    EXPECT_EQ(port.ReadFor(200), "");
}
