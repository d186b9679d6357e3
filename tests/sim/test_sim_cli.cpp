// The stand-alone simulator: its command line, its link to the port, and the
// binary itself from start to signal.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../support/ChildProcess.h"
#include "TestPort.h"
#include "sim/SimCommandLine.h"
#include "sim/SimLink.h"

namespace {

namespace fs = std::filesystem;

fs::path TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "orbsim-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp");
    return pattern;
}

// orbelin-sim as a child process with its stdout and stderr on pipes.
class TChild : public TChildProcess {
public:
    explicit TChild(const std::vector<std::string>& args) : TChildProcess(ORB_SIM_BINARY, args) {}
};

} // namespace

TEST(SimCommandLine, ParsesEveryOption) {
    TSimCommandLine cl;
    const auto error = ParseSimCommandLine(
        {"--revision", "36", "--echo", "--delay=25", "--link", "/tmp/x", "--set=etGPRSphone=*99#",
         "--set", "+h=\\xD4\\r", "--commit-fails", "--no-carrier-idle=700",
         "--version-text=REV 07.9", "--fault=late,cmd=+g,skip=2,count=every,delay=5000", "--fault",
         "garbage,bytes=\\x00A", "--modem=busy,guard=50",
         "--modem=noecho,creg-late,cpin=5,drop=900,dial-delay=7"},
        cl);
    ASSERT_FALSE(error) << *error;
    EXPECT_EQ(cl.Options.Revision, 36);
    EXPECT_TRUE(cl.Options.Echo);
    EXPECT_EQ(cl.Options.ReplyDelayMs, 25);
    EXPECT_EQ(cl.LinkPath, "/tmp/x");
    ASSERT_EQ(cl.Values.size(), 2u);
    EXPECT_EQ(cl.Values[1], (std::pair<std::string, std::string>{"+h", "\xD4\r"}));
    EXPECT_TRUE(cl.CommitFails);
    EXPECT_EQ(cl.NoCarrierIdleMs, 700);
    EXPECT_EQ(cl.VersionText, "REV 07.9");
    ASSERT_EQ(cl.Faults.size(), 2u);
    EXPECT_EQ(cl.Faults[0].Kind, TSimFaultKind::Late);
    EXPECT_EQ(cl.Faults[0].Command, "+g");
    EXPECT_EQ(cl.Faults[0].Skip, 2);
    EXPECT_EQ(cl.Faults[0].Count, -1);
    EXPECT_EQ(cl.Faults[0].DelayMs, 5000);
    EXPECT_EQ(cl.Faults[1].Bytes, std::string("\0A", 2));
    ASSERT_TRUE(cl.Options.Modem);
    const TSimModemConfig& m = *cl.Options.Modem;
    EXPECT_EQ(m.Dial, std::vector<std::string>{"BUSY"});
    EXPECT_EQ(m.GuardMs, 50);
    EXPECT_FALSE(m.Echo);
    EXPECT_EQ(m.Creg.size(), 3u);
    EXPECT_EQ(m.CpinDelayMs, 5);
    EXPECT_EQ(m.DropAfterMs, 900);
    EXPECT_EQ(m.DialDelayMs, 7);

    ASSERT_FALSE(ParseSimCommandLine({"--generation=1", "--modem"}, cl));
    EXPECT_EQ(cl.Options.Revision, 18);
    EXPECT_TRUE(cl.Options.Modem);
    EXPECT_EQ(cl.Options.Modem->Dial, std::vector<std::string>{"CONNECT 9600"});
}

TEST(SimCommandLine, RejectsWhatItCannotMean) {
    TSimCommandLine cl;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--bogus"},
             {"--revision=x"},
             {"--revision"},
             {"--generation=3"},
             {"--delay=-5"},
             {"--modem=warp"},
             {"--modem=guard=fast"},
             {"--fault=melt"},
             {"--fault=late,count=0"},
             {"--fault=error,when=now"},
             {"--set=+y=1"},
             {"--set=etObjNum"},
             {"--set=+h=\\q"},
             {"--version-text=\\x4"},
             {"--link="},
         })
        EXPECT_TRUE(ParseSimCommandLine(args, cl)) << args.front();
}

TEST(SimCommandLine, BytesAreShownReadablyAndTypedWithEscapes) {
    EXPECT_EQ(ReadableBytes(std::string("+h\xD4\r\n\x01\\\x7F", 8)), "+hФ\\r\\n\\x01\\\\\\x7F");
    EXPECT_EQ(UnescapeArgument("Ф\\r\\n\\t\\\\\\xff"), std::string("\xD4\r\n\t\\\xFF"));
    EXPECT_FALSE(UnescapeArgument("\\"));
    EXPECT_FALSE(UnescapeArgument("\\xG1"));
}

TEST(SimLink, ReplacesAStaleLinkRefusesOtherFilesAndCleansUp) {
    const fs::path dir = TempFolder();
    const fs::path link = dir / "ttyORB";
    fs::create_symlink("/dev/pts/stale", link);
    {
        TSimLink keeper(link.string(), "/dev/pts/77");
        EXPECT_EQ(fs::read_symlink(link), "/dev/pts/77");
    }
    EXPECT_FALSE(fs::is_symlink(link));

    {
        TSimLink keeper(link.string(), "/dev/pts/77");
        fs::remove(link);
        fs::create_symlink("/dev/pts/78", link); // someone else's now: left alone
    }
    EXPECT_EQ(fs::read_symlink(link), "/dev/pts/78");

    const fs::path file = dir / "file";
    std::ofstream(file) << "keep";
    EXPECT_THROW(TSimLink(file.string(), "/dev/pts/77"), std::runtime_error);
    EXPECT_TRUE(fs::is_regular_file(file));
    fs::remove_all(dir);
}

TEST(SimBinary, PrintsThePortServesAndStopsOnSignal) {
    const fs::path dir = TempFolder();
    const std::string link = (dir / "ttyORB").string();
    TChild child({"--revision=36", "--link", link, "--set=+g=*99#"});
    const std::string path = child.StdoutLine();
    ASSERT_TRUE(path.starts_with("/dev/pts/")) << path;
    EXPECT_EQ(fs::read_symlink(link), path);
    {
        TTestPort port(link);
        EXPECT_EQ(port.Exchange("+v"), "+v\r\n>ORBELIN REV 07.36\r\nOK\r\n");
        EXPECT_EQ(port.Exchange("+g"), "+g\r\n>*99#\r\nOK\r\n");
        EXPECT_EQ(port.Exchange("+R"), "ERROR\r\n");
    }
    kill(child.Pid(), SIGTERM);
    EXPECT_EQ(child.ExitCode(), 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
    const std::string log = child.Stderr();
    EXPECT_NE(log.find("unit  <- +v\n"), std::string::npos) << log;
    EXPECT_NE(log.find("unit  <- +g\n"), std::string::npos) << log;
    fs::remove_all(dir);
}

TEST(SimBinary, EndsWhenTheLineDropsAndRefusesBadArguments) {
    TChild child({"--fault=drop-line,cmd=+v"});
    const std::string path = child.StdoutLine();
    ASSERT_TRUE(path.starts_with("/dev/pts/")) << path;
    {
        TTestPort port(path);
        port.Write("+v\r");
        EXPECT_TRUE(port.WaitHangup(5000));
    }
    EXPECT_EQ(child.ExitCode(), 0);
    EXPECT_NE(child.Stderr().find("the line dropped"), std::string::npos);

    TChild bad({"--fault=melt"});
    EXPECT_EQ(bad.ExitCode(), 2);
    EXPECT_NE(bad.Stderr().find("unknown fault: melt"), std::string::npos);
}
