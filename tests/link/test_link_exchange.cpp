// The command exchange of the link thread, end to end over pseudo-terminals:
// what goes on the wire, how replies end, retries, and the memo lines that
// tell the operator about each of them.
#include <gtest/gtest.h>

#include "LinkRig.h"
#include "SimSupport.h"
#include "link/ReplyBuffer.h"
#include "sim/Simulator.h"

namespace {

constexpr double kFast = 0.01; // 100 ms pause -> 1 ms, 4500 ms reply wait -> 45 ms

struct TExchange {
    bool Failed = false;
    std::string Reply;
    long long Ms = 0;
};

TExchange Send(TModem& Link, const std::string& Command, const std::string& EndMark = "OK\r\n",
               int TimeoutMs = 4500, int Attempts = 1, bool Raw = false, bool StrictEnd = false) {
    TExchange x;
    const auto start = TTestClock::now();
    x.Failed = Link.SendCommand(Command, x.Reply, Raw, StrictEnd, EndMark, TimeoutMs, Attempts);
    x.Ms = MsSince(start);
    return x;
}

// Runs Script in a link thread on the simulator's port and waits for the end.
void RunOnSim(TSimulator& Sim, TOutArray& Out, double Scale, const TScriptDevice::TScript& Script) {
    TScriptDevice device;
    device.OnConnect = [&](TModem& link) {
        Script(link);
        link.Terminate();
    };
    auto link = MakeLink(Sim.SlavePath(), "", Out, device, Scale);
    link->Resume();
    ASSERT_TRUE(link->WaitFor(20000)) << "the link thread did not end";
}

} // namespace

TEST(ReplyBuffer, FindsTheMarkAcrossChunksInAnyCaseAndBeyondTheLimit) {
    TReplyBuffer split(100, "OK\r\n");
    split.Append(">1\r\no");
    EXPECT_FALSE(split.MarkSeen());
    split.Append("k\r");
    EXPECT_FALSE(split.MarkSeen());
    split.Append("\n");
    EXPECT_TRUE(split.MarkSeen()) << "a lower-case mark split over three chunks";
    EXPECT_EQ(split.Kept(), ">1\r\nok\r\n");

    TReplyBuffer capped(4, "OK");
    capped.Append("ABCDEFO");
    capped.Append("K tail");
    EXPECT_TRUE(capped.MarkSeen()) << "the mark lies past the kept part";
    EXPECT_EQ(capped.Kept(), "ABCD");
    EXPECT_EQ(capped.Dropped(), 9u);
    EXPECT_EQ(capped.Total(), 13u);

    TReplyBuffer noMark(10);
    noMark.Append("OK\r\n");
    EXPECT_FALSE(noMark.MarkSeen()) << "an empty mark is never seen";
}

TEST(LinkExchange, FramingEncodingAndTheExactBytesOnTheWire) {
    TPty pty;
    TOutArray out;
    TScriptDevice device;
    TExchange read, raw, cyrillic, withLf, unencodable, closed;
    device.OnConnect = [&](TModem& link) {
        read = Send(link, "+g");
        raw = Send(link, "+++", "OK", 4500, 1, true);
        cyrillic = Send(link, "+eПривет");
        withLf = Send(link, "+e1\n2");
        unencodable = Send(link, "+e中");
        link.ClosePort();
        closed = Send(link, "+g");
        link.Terminate();
    };
    auto link = MakeLink(pty.SlavePath(), "", out, device, 1.0);
    link->Resume();

    EXPECT_EQ(MasterRead(pty, 3, 5000), "+g\r");
    MasterWrite(pty, "+g\r\n>internet\r\nOK\r\n");
    EXPECT_EQ(MasterRead(pty, 3, 5000), "+++");
    MasterWrite(pty, "\r\nok\r\n"); // a lower-case end mark ends the wait as well
    EXPECT_EQ(MasterRead(pty, 9, 5000), "+e\xCF\xF0\xE8\xE2\xE5\xF2\r");
    MasterWrite(pty, "+e\r\n>\xCC\xE8\xF0\r\nOK\r\n");
    ASSERT_TRUE(link->WaitFor(10000));
    EXPECT_EQ(MasterRead(pty, 1, 200), "") << "refused commands must not reach the line";

    EXPECT_FALSE(read.Failed);
    EXPECT_EQ(read.Reply, "+g\r\n>internet\r\nOK\r\n");
    EXPECT_FALSE(raw.Failed);
    EXPECT_TRUE(raw.Reply.starts_with("\r\nok")) << raw.Reply;
    EXPECT_LT(raw.Ms, 2500) << "the mark ended the wait, not the 4500 ms timeout";
    EXPECT_FALSE(cyrillic.Failed);
    EXPECT_EQ(cyrillic.Reply, "+e\r\n>Мир\r\nOK\r\n");
    EXPECT_TRUE(withLf.Failed);
    EXPECT_TRUE(unencodable.Failed);
    EXPECT_TRUE(closed.Failed);

    TQueueLog log(out);
    const auto memo = log.Memo();
    const int g = log.FindExact("-> +g");
    ASSERT_GE(g, 0);
    EXPECT_EQ(memo[static_cast<std::size_t>(g) + 1], " <<- +g\r\n>internet\r\nOK\r\n");
    EXPECT_GE(log.FindExact(" <<- +e\r\n>Мир\r\nOK\r\n"), 0) << "replies reach the memo as UTF-8";
    const int lf = log.FindExact("-> +e1\n2");
    ASSERT_GE(lf, 0);
    EXPECT_TRUE(
        memo[static_cast<std::size_t>(lf) + 1].starts_with(" # !!! Команда не отправлена: "));
    const int cn = log.FindExact("-> +e中");
    ASSERT_GE(cn, 0);
    EXPECT_TRUE(
        memo[static_cast<std::size_t>(cn) + 1].starts_with(" # !!! Команда не отправлена: "));
    EXPECT_EQ(log.Find(" # Попытка"), -1) << "single attempts are not numbered";
    // On a closed port the exchange fails without a word.
    const int closedAt = log.Find(" # Успешно закрыли COM-порт: ");
    ASSERT_GE(closedAt, 0);
    EXPECT_EQ(log.Find("-> ", closedAt), -1);
}

TEST(LinkExchange, ReplyWithoutItsMarkSucceedsOnlyWhenSomethingCame) {
    TSimulator sim;
    TOutArray out;
    sim.Unit().AddFault({.Kind = TSimFaultKind::NoOk, .Command = "+v", .Count = 2});
    sim.Unit().AddFault({.Kind = TSimFaultKind::NoAnswer, .Command = "+g"});
    TExchange partial, nothing, strict;
    RunOnSim(sim, out, kFast, [&](TModem& link) {
        partial = Send(link, "+v");
        nothing = Send(link, "+g");
        strict = Send(link, "+v", "OK\r\n", 4500, 1, false, true);
    });
    EXPECT_FALSE(partial.Failed);
    EXPECT_EQ(partial.Reply, "+v\r\n>ORBELIN REV 07.41\r\n");
    EXPECT_GE(partial.Ms, 45) << "the reply is taken only once the wait is over";
    EXPECT_TRUE(nothing.Failed);
    EXPECT_EQ(nothing.Reply, "");
    EXPECT_TRUE(strict.Failed) << "StrictEnd refuses a reply without its mark";
    EXPECT_EQ(strict.Reply, "+v\r\n>ORBELIN REV 07.41\r\n");

    TQueueLog log(out);
    const int v = log.FindExact("-> +v");
    ASSERT_GE(v, 0);
    EXPECT_EQ(log.Memo()[static_cast<std::size_t>(v) + 2], " <- +v\r\n>ORBELIN REV 07.41\r\n");
    const int g = log.FindExact("-> +g");
    EXPECT_EQ(log.FindExact(" <<- ", g), g + 1);
    EXPECT_EQ(log.Find(" <- ", g), -1) << "neither the empty nor the strict reply is taken";
}

TEST(LinkExchange, ThreeAttemptsNumberedInTheMemo) {
    TSimulator sim;
    TOutArray out;
    sim.Unit().AddFault({.Kind = TSimFaultKind::NoAnswer, .Command = "+v", .Count = -1});
    TExchange x;
    RunOnSim(sim, out, kFast, [&](TModem& link) { x = Send(link, "+v", "OK", 4500, 3); });
    EXPECT_TRUE(x.Failed);
    EXPECT_EQ(sim.Unit().Commands(), (std::vector<std::string>{"+v", "+v", "+v"}));

    TQueueLog log(out);
    const auto memo = log.Memo();
    const int first = log.FindExact("-> +v");
    ASSERT_GE(first, 0);
    EXPECT_EQ(log.FindExact("-> +v", first + 1), -1) << "the command line comes once per call";
    ASSERT_GE(memo.size(), static_cast<std::size_t>(first) + 7);
    std::vector<std::string> after(memo.begin() + first + 1, memo.begin() + first + 7);
    EXPECT_EQ(after, (std::vector<std::string>{" # Попытка № 1", " <<- ", " # Попытка № 2", " <<- ",
                                               " # Попытка № 3", " <<- "}));
    EXPECT_TRUE(log.All()[0].Stamped);
    for (const TPosted& p : log.All()) {
        if (p.Text.starts_with(" # Попытка")) {
            EXPECT_TRUE(p.Stamped && p.ToMemo);
        }
    }
}

TEST(LinkExchange, LateAndOverlongRepliesDoNotLeakIntoTheNextExchange) {
    TSimulator sim;
    TOutArray out;
    sim.Unit().AddFault({.Kind = TSimFaultKind::Late, .Command = "+g", .DelayMs = 40});
    // Comes after the next command's pause, while its reply is awaited: a
    // unit answering in order then sends both replies back to back.
    sim.Unit().AddFault({.Kind = TSimFaultKind::Late, .Command = "+B", .DelayMs = 900});
    sim.Unit().AddFault({.Kind = TSimFaultKind::LongLine, .Command = "+f"});
    TExchange late, next, later, afterLater, longLine, afterLong;
    // Real time here: the 100 ms pause before each command and the settle
    // after a wait that gave up let the late replies in and drain them
    // before the next command goes out.
    RunOnSim(sim, out, 1.0, [&](TModem& link) {
        late = Send(link, "+g", "OK\r\n", 20);
        next = Send(link, "+v");
        later = Send(link, "+B", "OK\r\n", 600);
        afterLater = Send(link, "+G");
        longLine = Send(link, "+f01", "OK\r\n", 1000);
        afterLong = Send(link, "+v");
    });
    EXPECT_TRUE(late.Failed);
    EXPECT_FALSE(next.Failed);
    EXPECT_EQ(next.Reply, "+v\r\n>ORBELIN REV 07.41\r\nOK\r\n");
    EXPECT_TRUE(later.Failed);
    EXPECT_EQ(afterLater.Reply, "+G\r\n>internet.example\r\nOK\r\n")
        << "the late reply is not taken for this one";
    EXPECT_FALSE(longLine.Failed) << "something came, without a mark";
    EXPECT_EQ(longLine.Reply, std::string(TModem::ReplyLimit, 'A'));
    EXPECT_EQ(afterLong.Reply, "+v\r\n>ORBELIN REV 07.41\r\nOK\r\n");

    TQueueLog log(out);
    const int drained = log.Find("<<<<- +g\r\n>");
    ASSERT_GE(drained, 0) << "the late reply is logged when drained";
    EXPECT_FALSE(log.MemoLine(drained).ToMemo);
    EXPECT_LT(log.FindExact("-> +v"), drained) << "drained after the pause of the next command";
    EXPECT_LT(drained, log.Find(" <<- +v")) << "and before that command went out";
    const int settled = log.Find("<<<<- +B\r\n>gprsuser\r\nOK\r\n");
    ASSERT_GE(settled, 0) << "the reply after the wait is drained while the line settles";
    EXPECT_LT(settled, log.FindExact(" <<- +G\r\n>internet.example\r\nOK\r\n"));
    EXPECT_GE(log.FindExact(" # Слишком длинный ответ: отброшено " +
                            std::to_string(100 * 1024 - TModem::ReplyLimit) + " байт сверх 65536"),
              0);
}
