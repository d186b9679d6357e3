#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TempDir.h"
#include "toolkit/FileIo.h"
#include "toolkit/IniFile.h"

namespace {
const std::string Sample = "; settings\r\n"
                           "orphan=before any section\r\n"
                           "[Connect]\r\n"
                           "ComPort = COM3 \r\n"
                           "phone1=  +7 900 =x  \r\n"
                           "Empty=\r\n"
                           "Dup=first\r\n"
                           "DUP=second\r\n"
                           "\r\n"
                           "[connect]\r\n"
                           "Later=from the repeated section\r\n"
                           "ComPort=not this one\r\n"
                           "\r\n"
                           "[Debug]\r\n"
                           "Memo=1\r\n"
                           "Log=yes\r\n"
                           "Hex=$1F\r\n"
                           "Neg=-12\r\n";
} // namespace

TEST(IniRead, NamesIgnoreCaseValuesAreTrimmedFirstMatchWins) {
    TTempDir dir;
    dir.Write("a.ini", Sample);
    TIniFile ini(dir.File("a.ini"));

    EXPECT_EQ(ini.ReadString("CONNECT", "comport", "-"), "COM3");
    EXPECT_EQ(ini.ReadString("Connect", "Phone1", "-"), "+7 900 =x");
    EXPECT_EQ(ini.ReadString("Connect", "Dup", "-"), "first");
    EXPECT_EQ(ini.ReadString("Connect", "Later", "-"), "from the repeated section");
    // Present but empty is not missing.
    EXPECT_EQ(ini.ReadString("Connect", "Empty", "-"), "");
    EXPECT_TRUE(ini.ValueExists("Connect", "Empty"));
    EXPECT_FALSE(ini.ValueExists("Connect", "Nothing"));
    EXPECT_EQ(ini.ReadString("Connect", "Nothing", "dflt"), "dflt");
    // Keys before the first section and comment lines belong to no section.
    EXPECT_FALSE(ini.ValueExists("", "orphan"));
    EXPECT_FALSE(ini.ValueExists("Connect", "; settings"));

    EXPECT_TRUE(ini.SectionExists("DEBUG"));
    EXPECT_FALSE(ini.SectionExists("formGPS"));
    EXPECT_EQ(ini.ReadSection("connect"),
              (std::vector<std::string>{"ComPort", "phone1", "Empty", "Dup", "Later"}));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Connect", "Debug"}));
}

TEST(IniRead, NumbersAndBooleansFallBackToTheDefault) {
    TTempDir dir;
    dir.Write("a.ini", Sample);
    TIniFile ini(dir.File("a.ini"));
    EXPECT_EQ(ini.ReadInteger("Debug", "Hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("Debug", "Neg", 0), -12);
    EXPECT_EQ(ini.ReadInteger("Debug", "Log", 480), 480);
    EXPECT_EQ(ini.ReadInteger("Debug", "Missing", 600), 600);
    EXPECT_TRUE(ini.ReadBool("Debug", "Memo", false));
    EXPECT_TRUE(ini.ReadBool("Debug", "Neg", false));
    EXPECT_FALSE(ini.ReadBool("Debug", "Log", false)); // not a number: default
    EXPECT_TRUE(ini.ReadBool("Debug", "Log", true));
    EXPECT_TRUE(ini.ReadBool("Connect", "Reg", true));
}

// The file's encoding: Windows-1251, or UTF-8 with or without its
// byte-order mark, read into UTF-8 and written back as it came. A file that says one thing
// and holds another is read as it decodes and never replaced, so that no
// file ever holds two encodings.
TEST(IniEncoding, TheMarkSaysUtf8ElseWindows1251AndAFileKeepsItsOwn) {
    const std::string mark = "\xEF\xBB\xBF";
    // "[Раздел]" / "Ключ=Значение я", the 0xFF byte (я) included.
    const std::string cp1251 =
        "[\xD0\xE0\xE7\xE4\xE5\xEB]\r\n\xCA\xEB\xFE\xF7=\xC7\xED\xE0\xF7\xE5\xED\xE8\xE5 \xFF\r\n";
    const std::string utf8 = "[Раздел]\r\nКлюч=Значение я\r\n";
    struct TCase {
        const char* Name;
        std::string Bytes;
        std::string Written; // after "Ещё=ёж ☺" is added; empty: refused
    };
    const TCase cases[] = {
        {"Windows-1251", cp1251, cp1251 + "\xC5\xF9\xB8=\xB8\xE6 ?\r\n"},
        {"UTF-8 behind the mark", mark + utf8, mark + utf8 + "Ещё=ёж ☺\r\n"},
        {"the mark on Windows-1251 text", mark + cp1251, ""},
        {"UTF-8 without the mark, as Notepad saves it", utf8, utf8 + "Ещё=ёж ☺\r\n"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTempDir dir;
        dir.Write("a.ini", c.Bytes);
        TIniFile ini(dir.File("a.ini"));
        EXPECT_EQ(ini.LoadedCompletely(), !c.Written.empty()) << ini.LoadProblem();
        if (!c.Written.empty()) {
            EXPECT_EQ(ini.ReadString("РАЗДЕЛ", "ключ", ""), "Значение я");
        }
        ini.WriteString("раздел", "Ещё", "ёж ☺");
        if (c.Written.empty()) {
            EXPECT_THROW(ini.UpdateFile(), EFileError);
            EXPECT_EQ(dir.Read("a.ini"), c.Bytes);
        } else {
            ini.UpdateFile();
            EXPECT_EQ(dir.Read("a.ini"), c.Written);
        }
    }
}

TEST(IniWrite, UpdatesInPlaceAppendsToSectionAndLeavesEveryOtherByte) {
    TTempDir dir;
    dir.Write("a.ini", Sample);
    TIniFile ini(dir.File("a.ini"));
    ini.WriteString("CONNECT", "comport", "COM10");   // in place, keeps its spelling
    ini.WriteString("connect", "Phone2", "");         // new key, before the blank line
    ini.WriteBool("Debug", "Log", true);              // last line of the file
    ini.WriteInteger("formAcc", "seACCCheckTime", 7); // new section at the end
    ini.UpdateFile();

    EXPECT_EQ(dir.Read("a.ini"), "; settings\r\n"
                                 "orphan=before any section\r\n"
                                 "[Connect]\r\n"
                                 "ComPort=COM10\r\n"
                                 "phone1=  +7 900 =x  \r\n"
                                 "Empty=\r\n"
                                 "Dup=first\r\n"
                                 "DUP=second\r\n"
                                 "Phone2=\r\n"
                                 "\r\n"
                                 "[connect]\r\n"
                                 "Later=from the repeated section\r\n"
                                 "ComPort=not this one\r\n"
                                 "\r\n"
                                 "[Debug]\r\n"
                                 "Memo=1\r\n"
                                 "Log=1\r\n"
                                 "Hex=$1F\r\n"
                                 "Neg=-12\r\n"
                                 "\r\n"
                                 "[formAcc]\r\n"
                                 "seACCCheckTime=7\r\n");
    TIniFile again(dir.File("a.ini"));
    EXPECT_EQ(again.ReadString("Connect", "ComPort", ""), "COM10");
    EXPECT_TRUE(again.ValueExists("Connect", "Phone2"));
    EXPECT_EQ(again.ReadInteger("formAcc", "seACCCheckTime", 0), 7);
}

TEST(IniWrite, OddFileShapesKeepTheirBytes) {
    TTempDir dir;
    // No final line break: the last line gets one before anything follows it.
    dir.Write("nofinal.ini", "[A]\r\nx=1");
    {
        TIniFile ini(dir.File("nofinal.ini"));
        ini.WriteString("A", "y", "2");
        ini.UpdateFile();
    }
    EXPECT_EQ(dir.Read("nofinal.ini"), "[A]\r\nx=1\r\ny=2\r\n");

    // A file with LF line ends stays that way; binary bytes elsewhere survive.
    const std::string lf = std::string("junk \x00\xFF\x01 line\n[B]\nk=v\n", 22);
    dir.Write("lf.ini", lf);
    {
        TIniFile ini(dir.File("lf.ini"));
        ini.WriteString("B", "k", "w");
        ini.WriteString("C", "n", "1");
        ini.UpdateFile();
    }
    EXPECT_EQ(dir.Read("lf.ini"),
              std::string("junk \x00\xFF\x01 line\n[B]\nk=w\n\n[C]\nn=1\n", 31));

    // A byte-order mark in front: the first section is found, the mark stays.
    dir.Write("bom.ini", "\xEF\xBB\xBF[A]\r\nx=1\r\n");
    {
        TIniFile ini(dir.File("bom.ini"));
        ini.WriteString("a", "x", "2");
        ini.UpdateFile();
    }
    EXPECT_EQ(dir.Read("bom.ini"), "\xEF\xBB\xBF[A]\r\nx=2\r\n");

    // A new file is written with CR LF.
    {
        TIniFile ini(dir.File("new.ini"));
        EXPECT_FALSE(ini.SectionExists("X"));
        ini.WriteString("X", "a", "");
        ini.UpdateFile();
    }
    EXPECT_EQ(dir.Read("new.ini"), "[X]\r\na=\r\n");
}

TEST(IniWrite, ValuesCannotBreakTheLineStructureAndBadNamesAreRefused) {
    TTempDir dir;
    TIniFile ini(dir.File("a.ini"));
    ini.WriteString("S", "k", "one\r\n[Evil]\r\ninjected=1");
    ini.UpdateFile();
    TIniFile again(dir.File("a.ini"));
    EXPECT_FALSE(again.SectionExists("Evil"));
    EXPECT_EQ(again.ReadString("S", "k", ""), "one  [Evil]  injected=1");

    EXPECT_THROW(ini.WriteString("S", "a=b", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S", "", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S", " pad", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S", "[k", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S]", "k", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("S\n", "k", "1"), std::invalid_argument);
}

TEST(IniSave, OneReplacementPerSaveAndNoWriteWithoutChanges) {
    TTempDir dir;
    int creates = 0;
    TIniFile ini(dir.File("a.ini"));
    ini.SetFaultHook([&](TFileWriteStep step) {
        creates += step == TFileWriteStep::Create;
        return 0;
    });
    ini.UpdateFile();
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.ini"))); // nothing to write
    for (int i = 0; i < 100; ++i)
        ini.WriteInteger("formCommon", "key" + std::to_string(i), i);
    ini.UpdateFile();
    EXPECT_EQ(creates, 1);
    EXPECT_FALSE(ini.Modified());
    ini.UpdateFile();
    EXPECT_EQ(creates, 1);
    TIniFile again(dir.File("a.ini"));
    EXPECT_EQ(again.ReadSection("formCommon").size(), 100u);
    EXPECT_EQ(again.ReadInteger("formCommon", "key99", -1), 99);
}

TEST(IniSave, AFailureAtAnyStepLeavesTheOldFileAndNoLitter) {
    const std::string old = "[Connect]\r\nComPort=COM1\r\n";
    // A read-only folder, a full disk half way through, a failing flush, a
    // failing rename.
    const std::pair<TFileWriteStep, int> faults[] = {{TFileWriteStep::Create, EROFS},
                                                     {TFileWriteStep::Write, ENOSPC},
                                                     {TFileWriteStep::Sync, EIO},
                                                     {TFileWriteStep::Rename, EACCES}};
    for (const auto& [failAt, err] : faults) {
        TTempDir dir;
        dir.Write("current.ini", old);
        TIniFile ini(dir.File("current.ini"));
        // Large enough for several chunks, so the write fails half way.
        ini.WriteString("Connect", "Big", std::string(300000, 'x'));
        int writes = 0;
        ini.SetFaultHook([&, failAt = failAt, err = err](TFileWriteStep step) {
            if (step == TFileWriteStep::Write && ++writes < 3)
                return 0;
            return step == failAt ? err : 0;
        });
        try {
            ini.UpdateFile();
            FAIL() << "no error at step " << static_cast<int>(failAt);
        } catch (const EFileError& e) {
            EXPECT_EQ(e.FileName(), dir.File("current.ini"));
            const std::string what = e.what();
            EXPECT_NE(what.find(dir.File("current.ini")), std::string::npos);
            // The system's reason follows, in the operator's language.
            const std::string reason = what.substr(what.rfind("\": ") + 3);
            EXPECT_FALSE(reason.empty()) << what;
            EXPECT_TRUE(std::none_of(reason.begin(), reason.end(), [](unsigned char c) {
                return std::isalpha(c);
            })) << what;
        }
        EXPECT_EQ(dir.Read("current.ini"), old);
        EXPECT_EQ(dir.EntryCount(), 1u) << "temporary file left behind";
        EXPECT_TRUE(ini.Modified());

        // The same object saves fine once the fault is gone.
        ini.SetFaultHook({});
        ini.UpdateFile();
        EXPECT_EQ(TIniFile(dir.File("current.ini")).ReadString("Connect", "Big", "").size(),
                  300000u);
    }
    // Contents made a piece at a time whose maker fails half way (the file
    // it reads from goes): the same.
    TTempDir dir;
    dir.Write("current.ini", old);
    EXPECT_THROW(ReplaceFileContentsWith(dir.File("current.ini"),
                                         [](const TFileWrite& Write) {
                                             Write(std::string(300000, 'x'));
                                             throw EFileError("journal.jsonl", "gone");
                                         }),
                 EFileError);
    EXPECT_EQ(dir.Read("current.ini"), old);
    EXPECT_EQ(dir.EntryCount(), 1u) << "temporary file left behind";
}

TEST(IniSave, UnwritableFolderRaisesNamingTheFile) {
    TTempDir dir;
    dir.Write("plainfile", "x");
    // A "folder" that is a plain file: no permission bits make root succeed here.
    const std::string name = dir.File("plainfile") + "/current.ini";
    TIniFile ini(name);
    ini.WriteBool("Connect", "Reg", true);
    try {
        ini.UpdateFile();
        FAIL() << "write into a file as if it were a folder succeeded";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.FileName(), name);
        EXPECT_NE(std::string(e.what()).find(name), std::string::npos);
    }
}

TEST(IniSave, AFileTheUserMayNotWriteIsRefusedThoughItsFolderIsWritable) {
    TTempDir dir;
    const std::string name = dir.File("current.ini");
    const std::string old = "[Connect]\r\nComPort=COM1\r\n";
    const auto refused = [&] {
        TIniFile ini(name);
        ini.WriteString("Connect", "ComPort", "COM2");
        try {
            ini.UpdateFile();
        } catch (const EFileError& e) {
            return std::string(e.what()).find(name) != std::string::npos;
        }
        return false;
    };
    // No write bit at all: refused for root as well.
    dir.Write("current.ini", old);
    chmod(name.c_str(), 0444);
    EXPECT_TRUE(refused());
    EXPECT_EQ(dir.Read("current.ini"), old);
    EXPECT_EQ(dir.EntryCount(), 1u);

    // The owner's write bit, but another user: the folder lets that user
    // rename a file over it, the file's own permission does not.
    if (geteuid() != 0)
        return; // this process is that other user already, checked above
    chmod(name.c_str(), 0644);
    chmod(dir.Path().c_str(), 0777);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(setuid(65534) == 0 && refused() ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "replaced as another user";
    EXPECT_EQ(dir.Read("current.ini"), old);
    EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(IniSave, NewFilesAreTheUsersAloneReplacedOnesKeepPermissionsAndLinks) {
    TTempDir dir;
    // Settings hold passwords: a new file is readable by nobody else, and
    // never wider than the umask allows.
    for (const mode_t mask : {022, 077, 0277}) {
        const mode_t old = umask(mask);
        TIniFile created(dir.File("new.ini"));
        created.WriteString("A", "k", "1");
        created.UpdateFile();
        umask(old);
        struct stat st {};
        ASSERT_EQ(stat(dir.File("new.ini").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u & ~mask) << std::oct << mask;
        std::filesystem::remove(dir.File("new.ini"));
    }

    dir.Write("real.ini", "[A]\r\nk=1\r\n");
    chmod(dir.File("real.ini").c_str(), 0640);
    std::filesystem::create_symlink(dir.File("real.ini"), dir.File("link.ini"));
    TIniFile ini(dir.File("link.ini"));
    ini.WriteString("A", "k", "2");
    ini.UpdateFile();
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.ini")));
    EXPECT_EQ(dir.Read("real.ini"), "[A]\r\nk=2\r\n");
    struct stat st {};
    ASSERT_EQ(stat(dir.File("real.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(IniLoad, HugeOrUnreadableFilesReadWhatTheyCanButAreNeverReplaced) {
    TTempDir dir;
    std::string huge = "[A]\r\nk=1\r\n";
    huge += std::string(TIniFile::MaxFileSize, 'z');
    dir.Write("huge.ini", huge);
    TIniFile ini(dir.File("huge.ini"));
    EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
    EXPECT_FALSE(ini.LoadedCompletely());
    ini.WriteString("A", "k", "2");
    EXPECT_THROW(ini.UpdateFile(), EFileError);
    EXPECT_EQ(std::filesystem::file_size(dir.File("huge.ini")), huge.size());

    std::string many;
    for (size_t i = 0; i <= TIniDocument::MaxLines; ++i)
        many += "\n";
    dir.Write("lines.ini", many);
    TIniFile lines(dir.File("lines.ini"));
    EXPECT_FALSE(lines.LoadedCompletely());

    // A folder where the file should be reads as empty and is not replaced.
    std::filesystem::create_directory(dir.File("folder.ini"));
    TIniFile folder(dir.File("folder.ini"));
    EXPECT_FALSE(folder.LoadedCompletely());
    folder.WriteString("A", "k", "1");
    EXPECT_THROW(folder.UpdateFile(), EFileError);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder.ini")));

    // The reason is told in the operator's language, not the C library's.
    TIniFile lost(dir.File("no-such-folder/x.ini"));
    lost.WriteString("A", "k", "1");
    try {
        lost.UpdateFile();
        ADD_FAILURE() << "a file in a missing folder was written";
    } catch (const EFileError& e) {
        EXPECT_TRUE(std::string(e.what()).ends_with(": нет такого файла или папки")) << e.what();
    }
}
