#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "TempDir.h"
#include "services/DebugLog.h"
#include "toolkit/Cp1251.h"

namespace {

// The file's lines, decoded, split at CR LF (a lone LF would stay in a line).
std::vector<std::string> LinesOf(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(Cp1251ToUtf8(bytes.substr(start, end - start)));
    EXPECT_EQ(start, bytes.size()) << "the file ends in the middle of a line";
    return lines;
}

// An opening or closing block: empty line, rule, stamped words, rule.
void ExpectBlock(const std::vector<std::string>& lines, std::size_t at, const std::string& words) {
    ASSERT_GE(lines.size(), at + 4);
    const std::string rule(81, '=');
    EXPECT_EQ(lines[at], "");
    EXPECT_EQ(lines[at + 1], rule);
    EXPECT_TRUE(std::regex_match(lines[at + 2],
                                 std::regex(R"(\d\d\.\d\d\.\d{4} \d{1,2}:\d\d:\d\d )" + words)))
        << lines[at + 2];
    EXPECT_EQ(lines[at + 3], rule);
}

} // namespace

TEST(DebugLog, PeriodsAreAppendedToAnExistingFileInWindows1251WithCrLf) {
    TTempDir dir;
    const std::string before = "earlier run\r\n";
    dir.Write("log.txt", before);
    TDebugLog log;

    ASSERT_TRUE(log.Start(dir.File("log.txt")));
    EXPECT_TRUE(log.LogEnabled());
    log.WriteLine("-> +v");
    log.WriteLine(" # Успешно открыли COM порт: COM1");
    log.Stop();
    EXPECT_FALSE(log.LogEnabled());
    log.WriteLine("while off: not written");

    ASSERT_TRUE(log.Start(dir.File("log.txt")));
    log.WriteLine("<<<<- \r\nNO CARRIER\r\n");
    log.Stop();

    const std::string bytes = dir.Read("log.txt");
    ASSERT_EQ(bytes.substr(0, before.size()), before);
    EXPECT_NE(bytes.find(Utf8ToCp1251Lossy("Успешно открыли")), std::string::npos);
    const std::vector<std::string> lines = LinesOf(bytes.substr(before.size()));
    ASSERT_EQ(lines.size(), 4u + 2u + 4u + 4u + 3u + 4u);
    ExpectBlock(lines, 0, "Начали процесс протоколирования");
    EXPECT_EQ(lines[4], "-> +v");
    EXPECT_EQ(lines[5], " # Успешно открыли COM порт: COM1");
    ExpectBlock(lines, 6, "Окончили процесс протоколирования");
    ExpectBlock(lines, 10, "Начали процесс протоколирования");
    // A line that carries CR LF itself keeps them; the file gets its own after it.
    EXPECT_EQ(lines[14], "<<<<- ");
    EXPECT_EQ(lines[15], "NO CARRIER");
    EXPECT_EQ(lines[16], "");
    ExpectBlock(lines, 17, "Окончили процесс протоколирования");
}

TEST(DebugLog, FlushedLinesAreInTheFileWhileLoggingGoesOn) {
    TTempDir dir;
    TDebugLog log;
    ASSERT_TRUE(log.Start(dir.File("log.txt")));
    const std::size_t opened = dir.Read("log.txt").size();
    EXPECT_GT(opened, 0u); // the opening block is flushed at once

    log.WriteLine("-> +g");
    log.WriteLine(" <<- >*99#");
    log.Flush();
    const std::string now = dir.Read("log.txt");
    EXPECT_EQ(now.substr(opened), "-> +g\r\n <<- >*99#\r\n");
    log.Stop();
}

TEST(DebugLog, AStartThatCannotWriteLeavesLoggingOff) {
    TTempDir dir;
    TDebugLog log;
    EXPECT_FALSE(log.Start(dir.File("no such folder/log.txt")));
    EXPECT_FALSE(log.LogEnabled());
    // Opens, but the opening block cannot be written.
    EXPECT_FALSE(log.Start("/dev/full"));
    EXPECT_FALSE(log.LogEnabled());
    log.WriteLine("dropped"); // nothing happens while off
    log.Stop();
    EXPECT_EQ(dir.EntryCount(), 0u);
}
