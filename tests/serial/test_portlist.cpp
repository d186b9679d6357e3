#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "PortList.h"

namespace fs = std::filesystem;

namespace {
// A folder laid out like /sys/class/tty.
struct TFakeSysTty {
    fs::path Root = fs::temp_directory_path() / ("orb-systty-" + std::to_string(::getpid()));
    TFakeSysTty() { fs::create_directories(Root); }
    ~TFakeSysTty() { fs::remove_all(Root); }
    void Add(const std::string& name, bool device, int type = -1) {
        fs::create_directories(Root / name);
        if (device)
            fs::create_directories(Root / name / "device");
        if (type >= 0)
            std::ofstream(Root / name / "type") << type << "\n";
    }
};
} // namespace

TEST(PortList, ListsDevicesWithHardwareSortedByName) {
    TFakeSysTty sys;
    sys.Add("ttyUSB0", true);
    sys.Add("ttyACM1", true);
    sys.Add("ttyS0", true, 4); // a real 16550A
    sys.Add("ttyS10", true, 4);
    sys.Add("ttyS3", true, 0); // registered by the driver, no UART behind it
    sys.Add("tty1", false);    // virtual console
    sys.Add("ptmx", false);
    EXPECT_EQ(ListSerialPortsIn(sys.Root.string()),
              (std::vector<std::string>{"ttyACM1", "ttyS0", "ttyS10", "ttyUSB0"}));
}

TEST(PortList, MissingFolderGivesEmptyList) {
    EXPECT_TRUE(ListSerialPortsIn("/nonexistent/orb/sys/class/tty").empty());
    (void)ListSerialPorts(); // whatever this machine has, it must not throw
}
