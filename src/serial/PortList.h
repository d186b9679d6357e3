#pragma once
// The names of the machine's serial ports, sorted alphabetically (byte order,
// so COM10 comes before COM3). Nothing found gives an empty list; a name typed
// by hand is always accepted elsewhere, this list only offers choices.
//
// Linux: the ttys under /sys/class/tty with a device behind them (ttyUSB,
// ttyACM, ttyS with a real UART, ...), as names without "/dev/".
// Windows: the values of HKEY_LOCAL_MACHINE\hardware\devicemap\serialcomm.

#include <string>
#include <vector>

std::vector<std::string> ListSerialPorts();

#ifndef _WIN32
// The same walk over another folder laid out like /sys/class/tty (tests).
std::vector<std::string> ListSerialPortsIn(const std::string& sysClassTty);
#endif
