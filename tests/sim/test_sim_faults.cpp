// Misbehaviour on request: every fault the program must survive.
#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>

#include "TestClock.h"
#include "TestPort.h"
#include "sim/Simulator.h"

namespace {

using TClock = std::chrono::steady_clock;

TSimFault Fault(TSimFaultKind kind, std::string command = {}, int count = 1, int skip = 0) {
    TSimFault f;
    f.Kind = kind;
    f.Command = std::move(command);
    f.Count = count;
    f.Skip = skip;
    return f;
}

const std::string kVersionReply = "+v\r\n>ORBELIN REV 07.41\r\nOK\r\n";

} // namespace

TEST(SimFaults, SwallowedAndRefusedCommandsHaveNoEffect) {
    TSimulator sim;
    TSimUnit& unit = sim.Unit();
    TTestPort port(sim.SlavePath());
    unit.AddFault(Fault(TSimFaultKind::NoAnswer, "+g"));
    unit.AddFault(Fault(TSimFaultKind::Error, "+G"));
    port.Write("+gNEW\r");
    // Replies keep their order, so the next reply shows nothing came for "+g".
    EXPECT_EQ(port.Exchange("+v"), kVersionReply);
    EXPECT_EQ(port.Exchange("+GNEW"), "ERROR\r\n");
    EXPECT_EQ(unit.Value("+g"), "*99***1#");
    EXPECT_EQ(unit.Value("+G"), "internet.example");
    // Each fault was used up.
    EXPECT_EQ(port.Exchange("+gNEW"), "+g\r\n>NEW\r\nOK\r\n");
    EXPECT_EQ(unit.Commands(), (std::vector<std::string>{"+gNEW", "+v", "+GNEW", "+gNEW"}));
}

TEST(SimFaults, SkipCountAndExactChooseTheCommandsHit) {
    TSimulator sim;
    TSimUnit& unit = sim.Unit();
    TTestPort port(sim.SlavePath());

    unit.AddFault(Fault(TSimFaultKind::Error, {}, 1, 2)); // the 3rd command
    EXPECT_NE(port.Exchange("+o"), "ERROR\r\n");
    EXPECT_NE(port.Exchange("+t"), "ERROR\r\n");
    EXPECT_EQ(port.Exchange("+T"), "ERROR\r\n");
    EXPECT_NE(port.Exchange("+s"), "ERROR\r\n");

    unit.AddFault(Fault(TSimFaultKind::Error, "+g", -1)); // every +g, reads and writes
    for (const char* command : {"+g", "+gX", "+g"})
        EXPECT_EQ(port.Exchange(command), "ERROR\r\n") << command;
    EXPECT_EQ(port.Exchange("+G"), "+G\r\n>internet.example\r\nOK\r\n");
    unit.ClearFaults();
    EXPECT_NE(port.Exchange("+g"), "ERROR\r\n");

    // "+J" exactly: the long commit is not hit. Two faults count on their own.
    TSimFault exact = Fault(TSimFaultKind::Error, "+J", 2);
    exact.Exact = true;
    unit.AddFault(exact);
    unit.AddFault(Fault(TSimFaultKind::NoAnswer, "+J", 1, 3));
    unit.SetRevision(49);
    EXPECT_EQ(port.Exchange("+JWRITE"), "+J\r\nOK\r\n");
    EXPECT_EQ(port.Exchange("+J"), "ERROR\r\n");
    EXPECT_EQ(port.Exchange("+J"), "ERROR\r\n");
    port.Write("+JWRITE\r"); // the 4th "+J..." is swallowed
    EXPECT_EQ(port.Exchange("+JWRITE"), "+J\r\nOK\r\n");
    EXPECT_EQ(unit.CommitCount(), 2);
}

TEST(SimFaults, ReplyWithoutOkStillTakesEffect) {
    TSimulator sim;
    TTestPort port(sim.SlavePath());
    sim.Unit().AddFault(Fault(TSimFaultKind::NoOk, "+O"));
    port.Write("+O0077\r+v\r");
    EXPECT_EQ(port.ReadUntil("OK\r\n"), "+O\r\n>0077\r\n" + kVersionReply);
    EXPECT_EQ(sim.Unit().Value("+O"), "0077");

    // A unit that answers a write as usual but keeps its old value, or keeps
    // another one (as a unit clamping to its range does).
    sim.Unit().AddFault(Fault(TSimFaultKind::Keep, "+O"));
    TSimFault clamp = Fault(TSimFaultKind::Clamp, "+t");
    clamp.Bytes = "3C";
    sim.Unit().AddFault(clamp);
    EXPECT_EQ(port.Exchange("+O0123"), "+O\r\n>0123\r\nOK\r\n");
    EXPECT_EQ(sim.Unit().Value("+O"), "0077");
    EXPECT_EQ(port.Exchange("+tFF"), "+t\r\n>FF\r\nOK\r\n");
    EXPECT_EQ(sim.Unit().Value("+t"), "3C");
}

TEST(SimFaults, LateAndDelayedRepliesComeInOrder) {
    TSimulator sim;
    TSimUnit& unit = sim.Unit();
    TTestPort port(sim.SlavePath());
    TSimFault late = Fault(TSimFaultKind::Late, "+g");
    late.DelayMs = 300;
    unit.AddFault(late);
    const auto start = TClock::now();
    port.Write("+g\r+v\r");
    EXPECT_EQ(port.ReadUntil("OK\r\n", 5000), "+g\r\n>*99***1#\r\nOK\r\n");
    EXPECT_GE(MsSince(start), 300);
    EXPECT_EQ(port.ReadUntil("OK\r\n"), kVersionReply);

    unit.SetReplyDelay(150);
    const auto again = TClock::now();
    EXPECT_EQ(port.Exchange("+v", 5000), kVersionReply);
    EXPECT_GE(MsSince(again), 150);
}

TEST(SimFaults, GarbageAndEndlessLinesReplaceTheReply) {
    TSimulator sim;
    TSimUnit& unit = sim.Unit();
    TTestPort port(sim.SlavePath());
    unit.AddFault(Fault(TSimFaultKind::Garbage, "+v"));
    TSimFault custom = Fault(TSimFaultKind::Garbage, "+g");
    custom.Bytes = "\xFF>\r";
    unit.AddFault(custom);
    unit.AddFault(Fault(TSimFaultKind::LongLine, "+h"));
    port.Write("+v\r+gX\r");
    EXPECT_EQ(port.ReadUntil(">\r"), std::string("\0\xFF\0\xFF\xFF>\r", 7));
    port.Write("+h\r+T\r");
    EXPECT_EQ(port.ReadUntil("OK\r\n", 10000),
              std::string(100 * 1024, 'A') + "+T\r\n>04\r\nOK\r\n");
    EXPECT_EQ(unit.Value("+g"), "*99***1#");
}

TEST(SimFaults, NoCarrierAfterAReplyOnRequestAndAfterIdleTime) {
    TSimulator sim;
    TSimUnit& unit = sim.Unit();
    TTestPort port(sim.SlavePath());
    unit.AddFault(Fault(TSimFaultKind::NoCarrier, "+v"));
    port.Write("+v\r");
    EXPECT_EQ(port.ReadUntil("NO CARRIER\r\n"), kVersionReply + "\r\nNO CARRIER\r\n");

    unit.SendNoCarrier();
    EXPECT_EQ(port.ReadUntil("NO CARRIER\r\n"), "\r\nNO CARRIER\r\n");
    unit.SendUnsolicited("RING\r\n");
    EXPECT_EQ(port.ReadUntil("\n"), "RING\r\n");

    const auto start = TClock::now();
    unit.SetNoCarrierAfterIdle(200);
    EXPECT_EQ(port.ReadUntil("NO CARRIER\r\n"), "\r\nNO CARRIER\r\n");
    EXPECT_GE(MsSince(start), 200);
    EXPECT_EQ(port.ReadFor(300), ""); // once only
}

TEST(SimFaults, IdleTimeCountsFromTheLastInput) {
    TSimulator sim;
    TTestPort port(sim.SlavePath());
    sim.Unit().SetNoCarrierAfterIdle(400);
    EXPECT_EQ(port.ReadFor(250), "");
    const auto last = TClock::now();
    EXPECT_EQ(port.Exchange("+T"), "+T\r\n>04\r\nOK\r\n");
    EXPECT_EQ(port.ReadUntil("NO CARRIER\r\n", 5000), "\r\nNO CARRIER\r\n");
    EXPECT_GE(MsSince(last), 400);
}

TEST(SimFaults, LineDropHangsUpThePortAndEndsServing) {
    std::atomic<bool> told{false};
    TSimOptions options;
    options.OnLineDropped = [&told] { told = true; };
    auto sim = std::make_unique<TSimulator>(options);
    const std::string path = sim->SlavePath();
    TTestPort port(path);
    sim->Unit().AddFault(Fault(TSimFaultKind::DropLine, "+g", 1, 1));
    EXPECT_NE(port.Exchange("+g"), "");
    port.Write("+g\r");
    EXPECT_TRUE(port.WaitHangup(5000));
    EXPECT_TRUE(sim->LineDropped());
    struct stat st {};
    EXPECT_NE(stat(path.c_str(), &st), 0) << "the port is gone";
    sim.reset(); // the serving thread has ended, so the notice was given
    EXPECT_TRUE(told);
}

TEST(SimFaults, LineDropOnRequest) {
    TSimulator sim;
    TTestPort port(sim.SlavePath());
    EXPECT_NE(port.Exchange("+v"), "");
    sim.Unit().DropLine();
    EXPECT_TRUE(port.WaitHangup(5000));
    EXPECT_TRUE(sim.LineDropped());
}
