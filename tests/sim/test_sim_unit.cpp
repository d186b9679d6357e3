// The simulated unit as the program sees it: bytes on the slave side of the
// pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "TestPort.h"
#include "sim/Simulator.h"

namespace {

struct TCase {
    std::string Command;
    std::string Reply; // the exact bytes expected back
};

void ExpectReplies(TTestPort& port, const std::vector<TCase>& cases) {
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Command);
        EXPECT_EQ(port.Exchange(c.Command), c.Reply);
    }
}

std::string Value(const std::string& name, const std::string& value) {
    return name + "\r\n>" + value + "\r\nOK\r\n";
}

const std::string kError = "ERROR\r\n";

} // namespace

TEST(SimUnit, RepliesAreFramedAndTerminalLineEndsWork) {
    TSimulator sim;
    TTestPort port(sim.SlavePath());
    ExpectReplies(port, {
                            {"+v", Value("+v", "ORBELIN REV 07.41")},
                            {"+Q", "+Q\r\nOK\r\n"},
                            {"+x", kError},
                            {"v", kError},
                        });
    // CR LF from a terminal, an empty line, and one command split over writes.
    port.Write("+g\r\n");
    EXPECT_EQ(port.ReadUntil("OK\r\n"), Value("+g", "*99***1#"));
    port.Write("\r\r\n+");
    port.Write("o\r+t\r");
    EXPECT_EQ(port.ReadUntil("OK\r\n"), Value("+o", "02"));
    EXPECT_EQ(port.ReadUntil("OK\r\n"), Value("+t", "05"));
    EXPECT_EQ(sim.Unit().Commands(),
              (std::vector<std::string>{"+v", "+Q", "+x", "v", "+g", "+o", "+t"}));
}

TEST(SimUnit, EchoModeServesAPersonAtATerminal) {
    TSimulator sim;
    sim.Unit().SetEcho(true);
    TTestPort port(sim.SlavePath());
    port.Write("+gx\x7F\r");
    EXPECT_EQ(port.ReadUntil("OK\r\n"), "+gx\b \b\r\n>*99***1#\r\nOK\r\n");
    EXPECT_EQ(sim.Unit().Commands(), std::vector<std::string>{"+g"});
}

TEST(SimUnit, OverlongLineIsRefusedAndTheUnitRecovers) {
    TSimulator sim;
    TTestPort port(sim.SlavePath());
    port.Write("+h" + std::string(10000, '7') + "\r");
    EXPECT_EQ(port.ReadUntil("\r\n"), kError);
    EXPECT_EQ(sim.Unit().Value("+h"), "+79161234567");
    EXPECT_EQ(sim.Unit().Commands().at(0).size(), 4096u);
    EXPECT_EQ(port.Exchange("+O"), Value("+O", "0123"));
}

TEST(SimUnit, RevisionChoosesGenerationVersionAndCommitCommand) {
    TSimulator sim;
    TSimUnit& unit = sim.Unit();
    TTestPort port(sim.SlavePath());
    const std::pair<int, int> generations[] = {{1, 1}, {18, 1}, {19, 2}, {36, 2}, {37, 0}, {99, 0}};
    for (const auto& [revision, generation] : generations) {
        unit.SetRevision(revision);
        EXPECT_EQ(unit.Generation(), generation) << revision;
    }
    unit.SetRevision(36);
    EXPECT_EQ(port.Exchange("+v"), Value("+v", "ORBELIN REV 07.36"));
    unit.SetVersionText("orbelin rev 07.40");
    EXPECT_EQ(port.Exchange("+v"), Value("+v", "orbelin rev 07.40"));

    unit.SetRevision(48);
    ExpectReplies(port, {{"+J", "+J\r\nOK\r\n"}, {"+JWRITE", kError}, {"+Jx", kError}});
    unit.SetRevision(49);
    ExpectReplies(port, {{"+JWRITE", "+J\r\nOK\r\n"}, {"+J", kError}});
    EXPECT_EQ(unit.CommitCount(), 2);
    unit.SetCommitFails(true);
    EXPECT_EQ(port.Exchange("+JWRITE"), kError);
    EXPECT_EQ(unit.CommitCount(), 2);
}

TEST(SimUnit, WritesAreCheckedStoredAndReadBack) {
    TSimulator sim;
    TTestPort port(sim.SlavePath());
    ExpectReplies(port, {
                            {"+O0050", Value("+O", "0050")},
                            {"+O12345", Value("+O", "12345")},
                            {"+O12a4", kError},
                            {"+O1234567890", kError},
                            {"+l00e6", Value("+l", "00E6")},
                            {"+lE6", Value("+l", "00E6")},
                            {"+l10000", kError},
                            {"+s001", Value("+s", "01")},
                            {"+s100", kError},
                            {"+tXY", kError},
                            {"+c00", Value("+c", "00")},
                            {"+cFF", Value("+c", "FF")},
                            {"+cff", kError},
                            {"+K01", Value("+K", "01")},
                            {"+K02", kError},
                            {"+R03", Value("+R", "03")},
                            {"+R07", Value("+R", "07")},
                            {"+R100", kError},
                            {"+Z1F02", Value("+Z", "1F02")},
                            {"+Z2000", kError},
                            {"+Z0103", kError},
                            {"+Z01", kError},
                            {"+z1F", Value("+z", "1F")},
                            {"+z20", kError},
                            {"+k03", Value("+k", "03")},
                            {"+k04", kError},
                            {"+q3C", Value("+q", "3C")},
                            {"+S00", kError},
                            {"+M0000", kError},
                            {"+v2", kError},
                            {"+Q1", kError},
                            {"+f01 ", Value("+f", " ")},
                            {"+f01", Value("+f", " ")},
                            {"+f0589031112233", Value("+f", "89031112233")},
                            {"+f06", kError},
                            {"+f1", kError},
                            {"+j 3055 ", Value("+j", " 3055 ")},
                        });
    // Text travels as Windows-1251 bytes, unchanged.
    const std::string cyrillic = "\xCF\xF0\xE8\xE2\xE5\xF2";
    EXPECT_EQ(port.Exchange("+G" + cyrillic), Value("+G", cyrillic));
    TSimUnit& unit = sim.Unit();
    EXPECT_EQ(unit.Value("etAccessPoint"), cyrillic);
    EXPECT_EQ(unit.Value("etObjNum"), "12345");
    EXPECT_EQ(unit.Value("+l"), "00E6");
    EXPECT_EQ(unit.Value("+Z"), "1F02");
    EXPECT_EQ(unit.Value("etPhone5"), "89031112233");
    EXPECT_EQ(unit.Value("etPort"), " 3055 ");
}

TEST(SimUnit, StoreIsSetFromTestsByNameOrCommand) {
    TSimulator sim;
    TSimUnit& unit = sim.Unit();
    TTestPort port(sim.SlavePath());
    unit.SetValue("etGPRSphone", "*99#");
    unit.SetValue("+c", "ff"); // malformed on purpose: the program must cope
    unit.SetValue("+Z", "03");
    unit.SetValue("+M", "1F03");
    ExpectReplies(port, {{"+g", Value("+g", "*99#")},
                         {"+c", Value("+c", "ff")},
                         {"+Z", Value("+Z", "03")},
                         {"+M", Value("+M", "1F03")},
                         {"+m", "+m\r\nOK\r\n"},
                         {"+M", Value("+M", "0000")},
                         {"+S", Value("+S", "10")}});
    EXPECT_THROW(unit.Value("etNothing"), std::out_of_range);
    EXPECT_THROW(unit.SetValue("+y", "1"), std::out_of_range);
    unit.ResetStore();
    EXPECT_EQ(unit.Value("+g"), "*99***1#");
    EXPECT_EQ(unit.Value("+c"), "00");
}

TEST(SimUnit, EachGenerationAnswersOnlyItsOwnCommands) {
    TSimulator sim;
    TSimUnit& unit = sim.Unit();
    TTestPort port(sim.SlavePath());

    unit.SetRevision(18); // generation 1: per-input codes, no GPS, battery, flags or numbers
    ExpectReplies(port, {
                            {"+Z00", Value("+Z", "1120020011")},
                            {"+z04", Value("+z", "3120020050")},
                            {"+Z021234567891", Value("+Z", "1234567891")},
                            {"+Z02", Value("+Z", "1234567891")},
                            {"+z03ABCDEFGHI0", Value("+z", "ABCDEFGHI0")},
                            {"+Z02123456789", kError},
                            {"+Z0212345678912", kError},
                            {"+Z021234567892", kError},
                            {"+Z05", kError},
                            {"+Z", kError},
                            {"+z", kError},
                            {"+k", Value("+k", "00")},
                        });
    for (const char* refused : {"+R", "+Q", "+q", "+K", "+S", "+M", "+m", "+f01"})
        EXPECT_EQ(port.Exchange(refused), kError) << refused;

    unit.SetRevision(36); // generation 2: masks, battery and flags; no GPS, no numbers
    for (const char* answered : {"+Z", "+z", "+q", "+K", "+S", "+M", "+m", "+k", "+c"})
        EXPECT_NE(port.Exchange(answered), kError) << answered;
    for (const char* refused : {"+R", "+Q", "+f01", "+Z00"})
        EXPECT_EQ(port.Exchange(refused), kError) << refused;

    unit.SetRevision(41); // generation 0: everything but the per-input codes
    for (const char* answered : {"+R", "+Q", "+f01", "+Z", "+z", "+q", "+S", "+M"})
        EXPECT_NE(port.Exchange(answered), kError) << answered;
    EXPECT_EQ(port.Exchange("+Z00"), kError);
    EXPECT_EQ(unit.Value("+Z02"), "1234567891");
}

TEST(SimUnit, CommandLogIsExactAndCanBeWaitedFor) {
    TSimulator sim;
    TSimUnit& unit = sim.Unit();
    EXPECT_FALSE(unit.WaitForCommands(1, 20));
    std::thread writer([path = sim.SlavePath()] {
        TTestPort port(path);
        port.Write(std::string("+h\xD4\xE8\r+f02 \r\0+v\r", 15));
        port.ReadUntil("ERROR\r\n");
    });
    EXPECT_TRUE(unit.WaitForCommands(3, 5000));
    writer.join();
    EXPECT_EQ(unit.Commands(),
              (std::vector<std::string>{"+h\xD4\xE8", "+f02 ", std::string("\0+v", 3)}));
    EXPECT_EQ(unit.Value("+h"), "\xD4\xE8");
    unit.ClearCommands();
    EXPECT_EQ(unit.CommandCount(), 0u);
}

TEST(SimUnit, ServesRepeatedOpensAndStopsPromptly) {
    auto sim = std::make_unique<TSimulator>();
    for (int i = 0; i < 5; ++i) {
        TTestPort port(sim->SlavePath());
        EXPECT_EQ(port.Exchange("+T"), Value("+T", "04")) << "open " << i;
    }
    // A reply still waiting long in the queue must not hold up the end.
    sim->Unit().SetReplyDelay(60000);
    {
        TTestPort port(sim->SlavePath());
        port.Write("+v\r");
        ASSERT_TRUE(sim->Unit().WaitForCommands(6, 5000));
    }
    const auto start = std::chrono::steady_clock::now();
    sim.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}
