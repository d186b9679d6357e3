#pragma once
// What a test builds as the simulator's structures (a fault, a modem) and
// the bytes it exchanges with it, as the text of the simulator's command
// line and control line: a test in another process than the simulator (the
// Windows tests under wine) steers it so. simcontrol_test checks each one
// against the simulator's own parser.
//
// Threading: plain functions.

#include <string>

#include "sim/SimModem.h"
#include "sim/SimUnit.h"

// Bytes for the control line: printable ASCII as it is, the rest (blanks,
// commas and backslashes too) as \xNN.
std::string EscapeForControl(const std::string& Bytes);
// The fault as --fault and the control line's "fault" take it.
std::string FaultText(const TSimFault& Fault);
// "--modem", or "--modem=" with the timings that differ from the default
// modem's; throws std::invalid_argument for a modem that differs otherwise.
std::string ModemOption(const TSimModemConfig& Modem);
// The modem of timing variants such as kFastModemVariants ("guard=5,
// cpin=10"): the reverse of ModemOption. Throws std::invalid_argument for
// anything else.
TSimModemConfig ModemTimings(const std::string& Variants);
// The bytes behind the simulator's readable form of them (UTF-8 text and
// \r \n \t \\ \xNN for Windows-1251 bytes).
std::string BytesFromReadable(const std::string& Text);
