#include "serial/PortList.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

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

// One line of a sysfs attribute, without its line end; empty when absent.
std::string Attribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

// What a USB adapter says of itself: the USB device is the nearest folder
// above the tty's device that carries a vendor id.
std::string UsbNote(const fs::path& tty) {
    std::error_code ec;
    fs::path dir = fs::canonical(tty / "device", ec);
    for (int depth = 0; !ec && depth < 8 && dir.has_relative_path();
         ++depth, dir = dir.parent_path()) {
        if (!fs::exists(dir / "idVendor", ec))
            continue;
        std::string note = Attribute(dir / "manufacturer");
        const std::string product = Attribute(dir / "product");
        if (!product.empty())
            note += (note.empty() ? "" : " ") + product;
        if (note.empty())
            note = "USB " + Attribute(dir / "idVendor") + ":" + Attribute(dir / "idProduct");
        if (const std::string serial = Attribute(dir / "serial"); !serial.empty())
            note += ", № " + serial;
        return note;
    }
    return {};
}

} // namespace

std::vector<TPortInfo> ListSerialPortsIn(const std::string& sysClassTty,
                                         const std::string& byIdFolder) {
    std::vector<TPortInfo> ports;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sysClassTty, ec)) {
        const std::string name = entry.path().filename().string();
        std::error_code ec2;
        if (!fs::exists(entry.path() / "device", ec2))
            continue; // virtual terminals, ptys, console
        if (name.rfind("ttyS", 0) == 0 && !HasRealUart(entry.path()))
            continue;
        ports.push_back({name, UsbNote(entry.path())});
    }
    // The stable names point at the ttys: "/dev/serial/by-id/usb-...-port0"
    // -> "../../ttyUSB0".
    std::map<std::string, std::string> known;
    for (const TPortInfo& p : ports)
        known[p.Name] = p.Note;
    if (!byIdFolder.empty())
        for (const auto& entry : fs::directory_iterator(byIdFolder, ec)) {
            std::error_code ec2;
            const fs::path target = fs::read_symlink(entry.path(), ec2);
            if (ec2)
                continue;
            const std::string tty = target.filename().string();
            if (known.count(tty))
                ports.push_back({entry.path().string(), "сейчас " + tty + ", имя не меняется"});
        }
    std::sort(ports.begin(), ports.end(),
              [](const TPortInfo& a, const TPortInfo& b) { return a.Name < b.Name; });
    return ports;
}

std::vector<TPortInfo> ListSerialPortInfo() {
    return ListSerialPortsIn("/sys/class/tty", "/dev/serial/by-id");
}

std::vector<std::string> ListSerialPorts() {
    std::vector<std::string> names;
    for (const TPortInfo& p : ListSerialPortInfo())
        names.push_back(p.Name);
    return names;
}
