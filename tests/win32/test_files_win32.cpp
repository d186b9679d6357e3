// The Windows file layer under the settings files: reads with a cap, one-step
// replacement with no litter on any failure, names in Cyrillic letters, and an
// INI file saved through it in Windows-1251 with CR LF.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "WinTestSupport.h"
#include "toolkit/FileIo.h"
#include "toolkit/IniFile.h"

namespace {

namespace fs = std::filesystem;

// A fresh folder with a Cyrillic name under the temporary folder; paths are
// handed to the code under test as UTF-8, as the program does.
class TCyrillicDir {
public:
    TCyrillicDir() {
        FPath = fs::temp_directory_path() /
                fs::path(u8"orb-Папка-" + std::u8string(reinterpret_cast<const char8_t*>(
                                              std::to_string(GetCurrentProcessId()).c_str())));
        fs::remove_all(FPath);
        fs::create_directories(FPath);
    }
    ~TCyrillicDir() {
        std::error_code ec;
        fs::remove_all(FPath, ec);
    }
    TCyrillicDir(const TCyrillicDir&) = delete;
    TCyrillicDir& operator=(const TCyrillicDir&) = delete;

    // The UTF-8 name of a file in the folder.
    std::string File(const std::string& Name) const {
        const std::u8string full = (FPath / fs::path(Utf8(Name))).u8string();
        return std::string(full.begin(), full.end());
    }
    std::string Read(const std::string& Name) const {
        std::ifstream in(FPath / fs::path(Utf8(Name)), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void Write(const std::string& Name, const std::string& Bytes) const {
        std::ofstream(FPath / fs::path(Utf8(Name)), std::ios::binary) << Bytes;
    }
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(FPath), {}));
    }

private:
    static std::u8string Utf8(const std::string& Text) {
        return std::u8string(Text.begin(), Text.end());
    }
    fs::path FPath;
};

} // namespace

TEST(FilesWin32, ReplacementIsOneStepAndCyrillicNamesWork) {
    TCyrillicDir dir;
    const std::string name = dir.File("настройки.ini");
    ReplaceFileContents(name, "first");
    EXPECT_EQ(dir.Read("настройки.ini"), "first");
    ReplaceFileContents(name, std::string(200000, 'z')); // several write chunks
    EXPECT_EQ(dir.Read("настройки.ini"), std::string(200000, 'z'));
    ReplaceFileContents(name, "");
    EXPECT_EQ(dir.Read("настройки.ini"), "");
    EXPECT_EQ(dir.EntryCount(), 1u) << "temporary files left behind";
}

TEST(FilesWin32, AFailureAtAnyStepLeavesTheOldFileAndNoLitter) {
    TCyrillicDir dir;
    const std::string name = dir.File("current.ini");
    dir.Write("current.ini", "old");
    for (const TFileWriteStep failAt : {TFileWriteStep::Create, TFileWriteStep::Write,
                                        TFileWriteStep::Sync, TFileWriteStep::Rename}) {
        try {
            ReplaceFileContents(name, "new", [&](TFileWriteStep step) {
                return step == failAt ? static_cast<int>(ERROR_DISK_FULL) : 0;
            });
            ADD_FAILURE() << "no error at step " << static_cast<int>(failAt);
        } catch (const EFileError& e) {
            EXPECT_EQ(e.FileName(), name);
            const std::string what = e.what();
            EXPECT_TRUE(what.starts_with("Не удалось записать файл \"" + name + "\": ")) << what;
            EXPECT_GT(what.size(), ("Не удалось записать файл \"" + name + "\": ").size());
        }
        EXPECT_EQ(dir.Read("current.ini"), "old");
        EXPECT_EQ(dir.EntryCount(), 1u)
            << "temporary file left behind at step " << static_cast<int>(failAt);
    }

    // A file marked read-only is not renamed over; its folder is writable.
    fs::permissions(fs::path(std::u8string(name.begin(), name.end())), fs::perms::owner_write,
                    fs::perm_options::remove);
    EXPECT_THROW(ReplaceFileContents(name, "new"), EFileError);
    EXPECT_EQ(dir.Read("current.ini"), "old");
    EXPECT_EQ(dir.EntryCount(), 1u);
    fs::permissions(fs::path(std::u8string(name.begin(), name.end())), fs::perms::owner_write,
                    fs::perm_options::add); // so the folder can be removed

    // A folder that is not there: the system's own reason, naming the file.
    const std::string lost = dir.File("нет\\current.ini");
    try {
        ReplaceFileContents(lost, "x");
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.FileName(), lost);
    }
}

TEST(FilesWin32, ReadsAreCappedAndAMissingFileIsNoError) {
    TCyrillicDir dir;
    const TFileRead missing = ReadFileBytes(dir.File("нет.ini"), 100);
    EXPECT_EQ(missing.Status, TFileRead::Missing);

    dir.Write("big.txt", std::string(100000, 'b'));
    const TFileRead capped = ReadFileBytes(dir.File("big.txt"), 70000);
    EXPECT_EQ(capped.Status, TFileRead::Ok);
    EXPECT_TRUE(capped.Truncated);
    EXPECT_EQ(capped.Bytes, std::string(70000, 'b'));
    const TFileRead whole = ReadFileBytes(dir.File("big.txt"), 100000);
    EXPECT_FALSE(whole.Truncated);
    EXPECT_EQ(whole.Bytes.size(), 100000u);

    // A folder opens but cannot be read as a file.
    const TFileRead folder = ReadFileBytes(dir.File(""), 100);
    EXPECT_NE(folder.Status, TFileRead::Ok);
}

TEST(IniFileWin32, SavesInWindows1251WithCrLfAndKeepsOtherLines) {
    TCyrillicDir dir;
    const std::string comment =
        "; \xEA\xEE\xEC\xEC\xE5\xED\xF2\xE0\xF0\xE8\xE9\r\n"; // "; комментарий"
    dir.Write("current.ini", comment + "[Connect]\r\nComPort=COM1\r\n");
    {
        TIniFile ini(dir.File("current.ini"));
        EXPECT_EQ(ini.ReadString("connect", "COMPORT", ""), "COM1");
        ini.WriteString("Connect", "ComPort", "COM3");
        ini.WriteString("Connect", "Phone", "Дом");
        ini.UpdateFile();
    }
    EXPECT_EQ(dir.Read("current.ini"),
              comment + "[Connect]\r\nComPort=COM3\r\nPhone=\xC4\xEE\xEC\r\n");
    TIniFile again(dir.File("current.ini"));
    EXPECT_EQ(again.ReadString("Connect", "Phone", ""), "Дом");
}
