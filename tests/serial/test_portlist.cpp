#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "serial/PortList.h"

namespace fs = std::filesystem;

namespace {
// A folder laid out like /sys/class/tty.
struct TFakeSysTty {
    fs::path Root = fs::temp_directory_path() / ("orb-systty-" + std::to_string(::getpid()));
    TFakeSysTty() { fs::create_directories(Root); }
    ~TFakeSysTty() { fs::remove_all(Root); }
    // A USB adapter: its tty's device lies below the USB device that knows
    // the maker, and its stable name links to the tty.
    void AddUsb(const std::string& tty, const std::string& maker, const std::string& product,
                const std::string& serial, const std::string& byId) {
        const fs::path usb = Root / "devices" / ("usb-" + tty);
        fs::create_directories(usb / "1-1:1.0" / tty);
        std::ofstream(usb / "idVendor") << "0403\n";
        std::ofstream(usb / "idProduct") << "6001\n";
        if (!maker.empty())
            std::ofstream(usb / "manufacturer") << maker << "\n";
        if (!product.empty())
            std::ofstream(usb / "product") << product << "\n";
        if (!serial.empty())
            std::ofstream(usb / "serial") << serial << "\n";
        fs::create_directories(Root / "class" / tty);
        fs::create_directory_symlink(usb / "1-1:1.0" / tty, Root / "class" / tty / "device");
        fs::create_directories(Root / "by-id");
        if (!byId.empty())
            fs::create_symlink("../../" + tty, Root / "by-id" / byId);
    }
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
    std::vector<std::string> names;
    for (const TPortInfo& p : ListSerialPortsIn(sys.Root.string()))
        names.push_back(p.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"ttyACM1", "ttyS0", "ttyS10", "ttyUSB0"}));
}

TEST(PortList, UsbAdaptersSayWhatTheyAreAndKeepAStableName) {
    TFakeSysTty sys;
    sys.AddUsb("ttyUSB1", "FTDI", "FT232R USB UART", "A50285BI",
               "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    sys.AddUsb("ttyACM0", "", "", "", "");
    fs::create_symlink("../../ttyUSB7", sys.Root / "by-id" / "usb-gone-if00"); // unplugged
    EXPECT_EQ(ListSerialPortsIn((sys.Root / "class").string(), (sys.Root / "by-id").string()),
              (std::vector<TPortInfo>{
                  {(sys.Root / "by-id" / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0").string(),
                   "сейчас ttyUSB1, имя не меняется"},
                  {"ttyACM0", "USB 0403:6001"},
                  {"ttyUSB1", "FTDI FT232R USB UART, № A50285BI"},
              }));
}

TEST(PortList, MissingFolderGivesEmptyList) {
    EXPECT_TRUE(ListSerialPortsIn("/nonexistent/orb/sys/class/tty").empty());
    (void)ListSerialPorts(); // whatever this machine has, it must not throw
}
