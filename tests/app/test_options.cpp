#include <gtest/gtest.h>

#include "TempDir.h"
#include "services/ProgramOptions.h"

TEST(ProgramOptions, PortHomeAndHelp) {
    TTempDir dir;
    TProgramOptions o;
    EXPECT_EQ(ParseProgramOptions({"--port", "/dev/pts/7", "--home", dir.Path()}, o), std::nullopt);
    EXPECT_EQ(o.Port, "/dev/pts/7");
    EXPECT_EQ(o.Home, dir.Path());
    EXPECT_FALSE(o.Help);
    EXPECT_FALSE(o.Connect);

    TProgramOptions c;
    EXPECT_EQ(ParseProgramOptions({"--connect"}, c), std::nullopt);
    EXPECT_TRUE(c.Connect);
    EXPECT_FALSE(c.ReadAll);
    TProgramOptions r;
    EXPECT_EQ(ParseProgramOptions({"--read-all"}, r), std::nullopt);
    EXPECT_TRUE(r.Connect && r.ReadAll);

    TProgramOptions h;
    EXPECT_EQ(ParseProgramOptions({"--help"}, h), std::nullopt);
    EXPECT_TRUE(h.Help);

    TProgramOptions none;
    EXPECT_EQ(ParseProgramOptions({}, none), std::nullopt);
    EXPECT_TRUE(none.Port.empty());
    EXPECT_TRUE(none.Home.empty());

    // ORBELIN_HOME: checked as --home is, unless --home wins over it.
    EXPECT_EQ(CheckHomeEnvironment("", none), std::nullopt);
    EXPECT_EQ(CheckHomeEnvironment(dir.Path(), none), std::nullopt);
    EXPECT_EQ(CheckHomeEnvironment(dir.File("missing"), none),
              "ORBELIN_HOME: \"" + dir.File("missing") + "\" — не папка");
    EXPECT_EQ(CheckHomeEnvironment(dir.File("missing"), o), std::nullopt);
}

TEST(ProgramOptions, BadArgumentsAreNamed) {
    TTempDir dir;
    struct TCase {
        std::vector<std::string> Args;
        std::string Says;
    };
    const TCase cases[] = {
        {{"--prot", "COM1"}, "нет такого параметра: \"--prot\""},
        {{"--port"}, "--port: не задано значение"},
        {{"--port", ""}, "--port: не задано значение"},
        {{"--home", dir.File("missing")}, "--home: \"" + dir.File("missing") + "\" — не папка"},
        {{"COM1"}, "нет такого параметра: \"COM1\""},
    };
    for (const TCase& c : cases) {
        TProgramOptions o;
        const auto error = ParseProgramOptions(c.Args, o);
        ASSERT_TRUE(error.has_value()) << c.Says;
        EXPECT_EQ(*error, c.Says);
    }
}
