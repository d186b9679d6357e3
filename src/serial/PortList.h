#pragma once
// The machine's serial ports, sorted alphabetically (byte order, so COM10
// comes before COM3). Nothing found gives an empty list; a name typed by hand
// is always accepted elsewhere, this list only offers choices.
//
// Linux: the ttys under /sys/class/tty with a device behind them (ttyUSB,
// ttyACM, ttyS with a real UART, ...), as names without "/dev/", each with
// what the system knows of a USB adapter (maker, product, serial number);
// and for each USB adapter its stable name under /dev/serial/by-id, which
// stays the same whichever order adapters are plugged in.
// Windows: the values of HKEY_LOCAL_MACHINE\hardware\devicemap\serialcomm.
//
// Threading: any thread; reads the system afresh on every call.

#include <string>
#include <vector>

struct TPortInfo {
    std::string Name; // what the port box takes and the link opens
    std::string Note; // what the system knows of it, for the operator; may be empty

    bool operator==(const TPortInfo&) const = default;
};

std::vector<TPortInfo> ListSerialPortInfo();
// The names alone.
std::vector<std::string> ListSerialPorts();

#ifndef _WIN32
// The same walk over folders laid out like /sys/class/tty and
// /dev/serial/by-id (tests).
std::vector<TPortInfo> ListSerialPortsIn(const std::string& sysClassTty,
                                         const std::string& byIdFolder = "");
#endif
