// The Windows halves of the core that need no serial line: the registry list
// of serial ports, the component's Win32 error texts, and where the program
// folder is.

#include <gtest/gtest.h>

#include <vector>

#include "WinTestSupport.h"
#include "serial/PortList.h"
#include "serial/XComErr.h"
#include "toolkit/ProgramFolder.h"

namespace {

const char* const kSerialComm = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

struct TRegValue {
    std::string Name;
    DWORD Type = REG_SZ;
    std::string Data;
};

// Takes the machine's list of serial ports over for one test: its values are
// put aside, and put back (or the key made again) when the test ends.
class TSerialCommKey {
public:
    TSerialCommKey() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSerialComm, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return;
        for (DWORD i = 0;; ++i) {
            char name[256];
            BYTE data[1024];
            DWORD nameLen = sizeof name;
            DWORD dataLen = sizeof data;
            TRegValue v;
            if (RegEnumValueA(key, i, name, &nameLen, nullptr, &v.Type, data, &dataLen) !=
                ERROR_SUCCESS)
                break;
            v.Name.assign(name, nameLen);
            v.Data.assign(reinterpret_cast<const char*>(data), dataLen);
            FSaved.push_back(v);
        }
        RegCloseKey(key);
    }
    ~TSerialCommKey() { Replace(FSaved); }
    TSerialCommKey(const TSerialCommKey&) = delete;
    TSerialCommKey& operator=(const TSerialCommKey&) = delete;

    // The key holds exactly these values afterwards.
    static void Replace(const std::vector<TRegValue>& Values) {
        Delete();
        HKEY key = nullptr;
        // The hardware branch lives in memory only; so must its keys.
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSerialComm, 0, nullptr, REG_OPTION_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        for (const TRegValue& v : Values)
            RegSetValueExA(key, v.Name.c_str(), 0, v.Type,
                           reinterpret_cast<const BYTE*>(v.Data.data()),
                           static_cast<DWORD>(v.Data.size()));
        RegCloseKey(key);
    }
    static void Delete() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSerialComm); }

private:
    std::vector<TRegValue> FSaved;
};

std::string Sz(const std::string& Text) {
    return std::string(Text.c_str(), Text.size() + 1); // with its terminating zero
}

// The test changes the machine's port list: only in wine's private prefix.
#define ONLY_IN_A_PRIVATE_PREFIX()                                                                 \
    if (!UnderWine())                                                                              \
    GTEST_SKIP() << "changes the machine's list of serial ports; runs in wine's private prefix"

} // namespace

TEST(PortListWin32, ListsTheRegistrysPortNamesSortedAsText) {
    ONLY_IN_A_PRIVATE_PREFIX();
    TSerialCommKey guard;
    TSerialCommKey::Replace({
        {"\\Device\\Serial0", REG_SZ, Sz("COM3")},
        {"\\Device\\Serial1", REG_SZ, Sz("COM1")},
        {"\\Device\\VCP0", REG_SZ, Sz("COM10")},
        {"\\Device\\NoZero", REG_SZ, "COM7"}, // stored without its terminating zero
        {"\\Device\\Empty", REG_SZ, Sz("")},
        {"\\Device\\Number", REG_DWORD, std::string("\x04\x00\x00\x00", 4)},
        {"\\Device\\Long" + std::string(200, 'x'), REG_SZ, Sz("COM" + std::string(300, '9'))},
    });
    EXPECT_EQ(ListSerialPorts(), (std::vector<std::string>{"COM1", "COM10", "COM3", "COM7",
                                                           "COM" + std::string(300, '9')}));
}

TEST(PortListWin32, AMissingOrEmptyKeyGivesAnEmptyList) {
    ONLY_IN_A_PRIVATE_PREFIX();
    TSerialCommKey guard;
    TSerialCommKey::Replace({});
    EXPECT_TRUE(ListSerialPorts().empty());
    TSerialCommKey::Delete();
    EXPECT_TRUE(ListSerialPorts().empty());
}

TEST(DeviceErrorWin32, FailedTransfersCarryTheWin32NumberAndTheSystemsText) {
    const EDeviceError read = EDeviceError::WithSystemError(ecReadFailed, ERROR_ACCESS_DENIED);
    const std::string text = read.what();
    const std::string head = "Unable to read from port. (Win32 error 5: ";
    ASSERT_TRUE(text.starts_with(head)) << text;
    ASSERT_TRUE(text.ends_with(")")) << text;
    const std::string system = text.substr(head.size(), text.size() - head.size() - 1);
    EXPECT_FALSE(system.empty());
    EXPECT_EQ(system.find_first_of("\r\n"), std::string::npos) << "one line: " << system;
    EXPECT_NE(system.back(), '.') << "no full stop before the bracket";
    EXPECT_EQ(read.ErrorCode(), 10);

    const EDeviceError write = EDeviceError::WithSystemError(ecWriteFailed, 0x2FFFFFFF);
    EXPECT_STREQ(write.what(), "Unable to write to port. (Win32 error 805306367: unknown error)");
    EXPECT_EQ(write.ErrorCode(), 11);
}

TEST(ProgramFolderWin32, EndsWithABackslashAndIsTheProgramsOwnFolder) {
    SetProgramFolderOverride("C:\\Orbelin");
    EXPECT_EQ(ProgramFolder(), "C:\\Orbelin\\");
    SetProgramFolderOverride("C:\\Orbelin\\");
    EXPECT_EQ(ProgramFolder(), "C:\\Orbelin\\");
    SetProgramFolderOverride("");

    SetEnvironmentVariableA("ORBELIN_HOME", "D:\\units");
    EXPECT_EQ(ProgramFolder(), "D:\\units\\");
    SetEnvironmentVariableA("ORBELIN_HOME", nullptr);

    char exe[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, exe, sizeof exe);
    ASSERT_GT(n, 0u);
    const std::string path(exe, n);
    EXPECT_EQ(ProgramFolder(), path.substr(0, path.find_last_of('\\') + 1));
}

// A folder with Cyrillic letters must come back as UTF-8, whatever the
// machine's ANSI code page is: the file layer opens paths as UTF-8.
TEST(ProgramFolderWin32, CyrillicFolderComesBackAsUtf8) {
    SetEnvironmentVariableW(L"ORBELIN_HOME",
                            L"C:\\\u041F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u0430");
    EXPECT_EQ(ProgramFolder(), "C:\\Программа\\");
    SetEnvironmentVariableW(L"ORBELIN_HOME", nullptr);
}
