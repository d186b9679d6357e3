#include "PortList.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The 8250 driver registers ttyS0..ttyS31 whether or not a UART is there; an
// absent one reports port type 0.
bool HasRealUart(const fs::path& tty) {
    std::ifstream type(tty / "type");
    int value = -1;
    if (!(type >> value))
        return true; // no type file: trust the device link
    return value != 0;
}

} // namespace

std::vector<std::string> ListSerialPortsIn(const std::string& sysClassTty) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sysClassTty, ec)) {
        const std::string name = entry.path().filename().string();
        std::error_code ec2;
        if (!fs::exists(entry.path() / "device", ec2))
            continue; // virtual terminals, ptys, console
        if (name.rfind("ttyS", 0) == 0 && !HasRealUart(entry.path()))
            continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ListSerialPorts() {
    return ListSerialPortsIn("/sys/class/tty");
}
