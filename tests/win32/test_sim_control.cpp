// The simulator's control line and the host behind it, as the Windows tests
// under wine use them: one reply per command, a fresh line on reset, a bare
// wire that keeps every byte, a peer that stops reading, the program's line
// settings, and drops that no longer end the stand-alone simulator.

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "ChildProcess.h"
#include "FastModem.h"
#include "SimControlText.h"
#include "TempDir.h"
#include "sim/SimCommandLine.h"
#include "sim/SimControl.h"
#include "sim/SimHost.h"
#include "toolkit/TextUtil.h"

namespace {

namespace fs = std::filesystem;

// A port opened the way a program opens it, with a few blocking helpers.
class TPortEnd {
public:
    explicit TPortEnd(const std::string& Path)
        : FFd(open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (FFd < 0)
            throw std::runtime_error("cannot open " + Path);
    }
    ~TPortEnd() { close(FFd); }
    TPortEnd(const TPortEnd&) = delete;
    TPortEnd& operator=(const TPortEnd&) = delete;

    int Fd() const { return FFd; }
    // Writes what the line takes now; the count written.
    std::size_t WriteSome(const std::string& Bytes) {
        const ssize_t n = write(FFd, Bytes.data(), Bytes.size());
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    void Write(const std::string& Bytes) {
        std::size_t done = 0;
        while (done < Bytes.size()) {
            const std::size_t n = WriteSome(Bytes.substr(done));
            done += n;
            if (n == 0) {
                pollfd p{FFd, POLLOUT, 0};
                if (poll(&p, 1, 5000) <= 0)
                    throw std::runtime_error("the line takes nothing");
            }
        }
    }
    // Reads until Count bytes came, the line hung up, or TimeoutMs passed.
    std::string Read(std::size_t Count, int TimeoutMs) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
        while (got.size() < Count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  end - std::chrono::steady_clock::now())
                                  .count();
            pollfd p{FFd, POLLIN, 0};
            if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0)
                break;
            char buf[4096];
            const ssize_t n = read(FFd, buf, std::min(sizeof buf, Count - got.size()));
            if (n <= 0 && errno != EAGAIN)
                break;
            if (n > 0)
                got.append(buf, static_cast<std::size_t>(n));
        }
        return got;
    }
    std::string ReadLine(int TimeoutMs = 5000) {
        std::string line;
        while (!line.ends_with("\n")) {
            const std::string c = Read(1, TimeoutMs);
            if (c.empty())
                return line + "<timeout>";
            line += c;
        }
        line.pop_back();
        return line;
    }
    // True once the far end has gone (a read fails instead of waiting).
    bool WaitHangUp(int TimeoutMs) {
        pollfd p{FFd, POLLIN, 0};
        if (poll(&p, 1, TimeoutMs) <= 0)
            return false;
        char c;
        const ssize_t n = read(FFd, &c, 1);
        return n == 0 || (n < 0 && errno == EIO);
    }

private:
    int FFd;
};

std::string Hex(const std::string& Bytes) {
    std::string hex;
    for (const char c : Bytes)
        hex += IntToHexUpper(static_cast<unsigned char>(c), 2);
    return hex;
}

std::string AllByteValues() {
    std::string all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<char>(i));
    return all;
}

TSimHost MakeHost(std::vector<std::string> Args) {
    return TSimHost(std::move(Args), {}, {});
}

} // namespace

TEST(SimControl, EveryCommandGetsOneReplyLineInOrderAndOverlongLinesAreRefused) {
    TSimControl control([](const std::string& line) { return "got " + line; });
    {
        TPortEnd port(control.SlavePath());
        port.Write("first\nsecond\r\n\n");
        EXPECT_EQ(port.ReadLine(), "got first");
        EXPECT_EQ(port.ReadLine(), "got second") << "a CR before the LF is dropped";
        EXPECT_EQ(port.ReadLine(), "got ");
        port.Write(std::string(TSimControl::MaxLine + 10, 'x') + "\nafter\n");
        EXPECT_EQ(port.ReadLine(), "error line longer than 1048576 bytes");
        EXPECT_EQ(port.ReadLine(), "got after");
    }
    // A program that closed the line and opens it again is still served.
    TPortEnd again(control.SlavePath());
    again.Write("third\n");
    EXPECT_EQ(again.ReadLine(), "got third");
}

TEST(SimHost, ResetGivesAFreshSimulatorBehindTheSameLinkAndRefusesWhatItCannotDo) {
    TTempDir dir("orbctl-");
    const std::string link = dir.File("ttyORB");
    TSimHost host({"--link", link, "--revision=36"}, {}, {});
    const std::string first = host.SlavePath();
    {
        TPortEnd port(link);
        port.Write("+v\r");
        EXPECT_EQ(port.Read(28, 5000), "+v\r\n>ORBELIN REV 07.36\r\nOK\r\n");
    }
    EXPECT_EQ(host.Control("commands"), "ok 1\t+v");

    EXPECT_EQ(host.Control("reset --fault=error,cmd=+g --set=+h=a\\x20b"), "ok");
    EXPECT_NE(host.SlavePath(), first);
    EXPECT_EQ(fs::read_symlink(link), host.SlavePath());
    EXPECT_EQ(host.Control("commands"), "ok 0");
    {
        TPortEnd port(link);
        port.Write("+v\r");
        EXPECT_EQ(port.Read(28, 5000), "+v\r\n>ORBELIN REV 07.36\r\nOK\r\n")
            << "the start's own options stay";
        port.Write("+g\r");
        EXPECT_EQ(port.Read(7, 5000), "ERROR\r\n");
        port.Write("+h\r");
        EXPECT_EQ(port.Read(14, 5000), "+h\r\n>a b\r\nOK\r\n");
    }
    EXPECT_EQ(host.Control("commands"), "ok 3\t+v\t+g\t+h");

    EXPECT_TRUE(host.Control("reset --link=/tmp/x").starts_with("error "));
    EXPECT_TRUE(host.Control("reset --control=/tmp/x").starts_with("error "));
    EXPECT_EQ(host.Control("reset --bogus"), "error unknown argument: --bogus");
    EXPECT_EQ(host.Control("reset --raw --modem"),
              "error --raw leaves no modem in front of the line");
    EXPECT_EQ(host.Control("send \\q"), "error bad escape in: \\q");
    EXPECT_EQ(host.Control("frobnicate"), "error unknown command: frobnicate");
    EXPECT_EQ(host.Control("drop now"), "error unknown command: drop now");
    EXPECT_EQ(host.Control("received 5"),
              "error received takes no arguments or a byte count and milliseconds");
    EXPECT_EQ(host.Control("modem-lines"), "error no modem");
    EXPECT_EQ(host.Control("commands"), "ok 3\t+v\t+g\t+h") << "errors change nothing";

    EXPECT_EQ(host.Control("reset --modem=guard=5"), "ok");
    EXPECT_EQ(host.Control("modem-lines"), "ok 0");
    EXPECT_TRUE(
        host.Describe().starts_with("unit revision 36 (generation 2) behind a GSM modem, link "))
        << host.Describe();
}

// What a test in the simulator's own process does through TSimUnit, a test
// in another process does through these commands.
TEST(SimHost, TheUnitIsSteeredAndReadAsFromItsOwnProcess) {
    TSimHost host = MakeHost({});
    TPortEnd port(host.SlavePath());
    const auto ask = [&](const std::string& Command, std::size_t Bytes) {
        port.Write(Command + "\r");
        return port.Read(Bytes, 5000);
    };
    const std::string before = host.Control("value +h");
    EXPECT_EQ(host.Control("set +h Привет\\x20мир"), "ok");
    EXPECT_EQ(host.Control("value +h"), "ok " + Hex("\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0"));
    EXPECT_EQ(host.Control("set etObjNum 0777"), "ok") << "a control's name as well";
    EXPECT_EQ(host.Control("value +O"), "ok " + Hex("0777"));
    EXPECT_EQ(host.Control("revision 49"), "ok");
    EXPECT_EQ(host.Control("version OTHER\\x201.0"), "ok");
    EXPECT_EQ(ask("+v", 20), "+v\r\n>OTHER 1.0\r\nOK\r\n");
    EXPECT_EQ(host.Control("fault error,cmd=+g,count=every"), "ok");
    EXPECT_EQ(ask("+g", 7), "ERROR\r\n");
    EXPECT_EQ(host.Control("clear-faults"), "ok");
    EXPECT_EQ(ask("+O", 15), "+O\r\n>0777\r\nOK\r\n");
    EXPECT_EQ(host.Control("commit-fails on"), "ok");
    EXPECT_EQ(ask("+JWRITE", 7), "ERROR\r\n");
    EXPECT_EQ(host.Control("commit-fails off"), "ok");
    EXPECT_EQ(ask("+JWRITE", 8), "+J\r\nOK\r\n") << "revision 49 commits so";
    EXPECT_EQ(host.Control("counts"), "ok 5 1");
    EXPECT_EQ(host.Control("wait-commands 5 5000"), "ok 1");
    EXPECT_EQ(host.Control("wait-commands 6 50"), "ok 0");
    EXPECT_EQ(host.Control("clear-commands"), "ok");
    EXPECT_EQ(host.Control("counts"), "ok 0 1");
    EXPECT_EQ(host.Control("reply-delay 0"), "ok");
    EXPECT_EQ(host.Control("reset-store"), "ok");
    EXPECT_EQ(host.Control("value +h"), before);

    EXPECT_EQ(host.Control("set +h"), "error set takes a key and a value: +h");
    EXPECT_EQ(host.Control("set +h \\q"), "error set takes a key and a value: +h \\q");
    EXPECT_TRUE(host.Control("set +nosuch 1").starts_with("error ")) << "an unknown key";
    EXPECT_TRUE(host.Control("value +nosuch").starts_with("error "));
    EXPECT_EQ(host.Control("fault bogus"), "error unknown fault: bogus");
    EXPECT_EQ(host.Control("revision x"), "error unknown command: revision x");
    EXPECT_EQ(host.Control("commit-fails maybe"), "error unknown command: commit-fails maybe");
    EXPECT_EQ(host.Control("counts now"), "error unknown command: counts now");
    EXPECT_EQ(host.Control("counts"), "ok 0 1") << "errors change nothing";
}

// A test in another process writes faults, modems and bytes as text: the
// simulator's own parsers give back what the test meant.
TEST(SimControlText, FaultsModemsAndBytesComeBackAsTheyWereMeant) {
    std::vector<TSimFault> faults;
    for (const auto kind :
         {TSimFaultKind::NoAnswer, TSimFaultKind::Error, TSimFaultKind::NoOk, TSimFaultKind::Late,
          TSimFaultKind::Garbage, TSimFaultKind::LongLine, TSimFaultKind::NoCarrier,
          TSimFaultKind::DropLine, TSimFaultKind::Keep, TSimFaultKind::Clamp})
        faults.push_back({.Kind = kind, .Command = ""});
    faults.push_back({.Kind = TSimFaultKind::Garbage,
                      .Command = "+g, \xEF\\",
                      .Exact = true,
                      .Skip = 2,
                      .Count = -1,
                      .DelayMs = 10,
                      .Bytes = std::string("a,\0 b", 5)});
    faults.push_back({.Kind = TSimFaultKind::LongLine, .Command = "", .Count = 3, .Size = 7});
    for (const TSimFault& f : faults) {
        const std::string text = FaultText(f);
        TSimFault back;
        ASSERT_EQ(ParseFault(text, back), std::nullopt) << text;
        EXPECT_TRUE(back.Kind == f.Kind && back.Command == f.Command && back.Exact == f.Exact &&
                    back.Skip == f.Skip && back.Count == f.Count && back.DelayMs == f.DelayMs &&
                    back.Size == f.Size && back.Bytes == f.Bytes)
            << text;
    }

    EXPECT_EQ(ModemOption(TSimModemConfig{}), "--modem");
    const TSimModemConfig fast = ModemTimings(kFastModemVariants);
    EXPECT_EQ(ModemOption(fast), std::string("--modem=") + kFastModemVariants);
    TSimCommandLine parsed;
    ASSERT_EQ(ParseSimCommandLine({ModemOption(fast)}, parsed), std::nullopt);
    EXPECT_EQ(parsed.Options.Modem->GuardMs, fast.GuardMs);
    EXPECT_EQ(parsed.Options.Modem->CpinDelayMs, fast.CpinDelayMs);
    EXPECT_EQ(parsed.Options.Modem->DialDelayMs, fast.DialDelayMs);
    TSimModemConfig busy;
    busy.Dial = {"BUSY"};
    EXPECT_THROW(ModemOption(busy), std::invalid_argument) << "no timing: cannot travel";
    EXPECT_THROW(ModemTimings("busy"), std::invalid_argument);

    const std::string all = AllByteValues();
    EXPECT_EQ(BytesFromReadable(ReadableBytes(all)), all);
    EXPECT_EQ(UnescapeArgument(EscapeForControl(all)), all);
}

TEST(SimHost, ARawLineKeepsEveryByteAndAHeldOneBacksUpTheWriter) {
    TSimHost host = MakeHost({"--raw"});
    TPortEnd port(host.SlavePath());
    const std::string all = AllByteValues();
    port.Write(all);
    EXPECT_EQ(host.Control("received 256 5000"), "ok " + Hex(all));
    EXPECT_EQ(host.Control("received"), "ok ") << "taken once";

    EXPECT_EQ(host.Control("send \\x00\\xFFПривет\\r\\n"), "ok");
    EXPECT_EQ(port.Read(10, 5000), std::string("\0\xFF\xCF\xF0\xE8\xE2\xE5\xF2\r\n", 10));

    EXPECT_EQ(host.Control("hold on"), "ok");
    std::string sent;
    const std::string block(1024, 'h');
    for (std::size_t n = port.WriteSome(block); n != 0; n = port.WriteSome(block))
        sent.append(block, 0, n);
    EXPECT_GT(sent.size(), 0u);
    EXPECT_LT(sent.size(), 1u << 20) << "a held line fills up";
    EXPECT_EQ(host.Control("received"), "ok ") << "nothing read while held";
    EXPECT_EQ(host.Control("hold off"), "ok");
    EXPECT_EQ(host.Control("received " + std::to_string(sent.size()) + " 5000"), "ok " + Hex(sent));
    EXPECT_EQ(host.Control("hold sideways"), "error unknown command: hold sideways");
}

TEST(SimHost, LineShowsTheProgramsSettingsAndADroppedLineIsRenewedByReset) {
    TSimHost host = MakeHost({});
    {
        TPortEnd port(host.SlavePath());
        termios t{};
        ASSERT_EQ(tcgetattr(port.Fd(), &t), 0);
        cfsetspeed(&t, B57600);
        t.c_cflag |= CSTOPB | CRTSCTS;
        t.c_iflag |= IXON;
        ASSERT_EQ(tcsetattr(port.Fd(), TCSANOW, &t), 0);
        EXPECT_EQ(host.Control("line"), "ok 57600 8N2 crtscts ixon");

        EXPECT_EQ(host.Control("drop"), "ok");
        EXPECT_TRUE(port.WaitHangUp(5000));
        EXPECT_EQ(host.Control("line"), "ok unknown");
    }
    EXPECT_EQ(host.Control("reset"), "ok");
    TPortEnd port(host.SlavePath());
    port.Write("+v\r");
    EXPECT_EQ(port.Read(28, 5000), "+v\r\n>ORBELIN REV 07.41\r\nOK\r\n");
    EXPECT_EQ(host.Control("line").substr(0, 8), "ok 38400") << "a fresh line's own settings";
}

TEST(SimBinary, AControlLineSteersTheRunningSimulatorAndADropDoesNotEndIt) {
    TTempDir dir("orbctl-");
    const std::string link = dir.File("ttyORB");
    const std::string control = dir.File("ctl");
    TChildProcess sim(ORB_SIM_BINARY, {"--link", link, "--control", control});

    // Once the port is announced, both links are in place.
    const std::string first = sim.StdoutLine(10000);
    EXPECT_EQ(fs::read_symlink(link), first);
    ASSERT_TRUE(fs::is_symlink(control));

    TPortEnd steer(control);
    steer.Write("reset --raw\n");
    EXPECT_EQ(steer.ReadLine(), "ok");
    {
        TPortEnd port(link);
        port.Write("abc");
        steer.Write("received 3 5000\n");
        EXPECT_EQ(steer.ReadLine(), "ok 616263");
        steer.Write("drop\n");
        EXPECT_EQ(steer.ReadLine(), "ok");
        EXPECT_TRUE(port.WaitHangUp(5000));
    }
    steer.Write("reset\n");
    EXPECT_EQ(steer.ReadLine(), "ok");
    EXPECT_EQ(waitpid(sim.Pid(), nullptr, WNOHANG), 0) << "the drop ended the simulator";
    {
        TPortEnd port(link);
        port.Write("+v\r");
        EXPECT_EQ(port.Read(28, 5000), "+v\r\n>ORBELIN REV 07.41\r\nOK\r\n");
    }

    kill(sim.Pid(), SIGTERM);
    EXPECT_EQ(sim.ExitCode(10000), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    EXPECT_FALSE(fs::exists(fs::symlink_status(control)));
}
