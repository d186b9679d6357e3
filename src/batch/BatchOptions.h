#pragma once
// The command line of orbelin-batch. Qt-free, so that it is checked whole
// before the program builds any page or opens any port.

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct TBatchOptions {
    std::string Command; // "read", "diff", "write", "columns"
    std::string Port;
    std::string Phone;
    bool WaitRegistration = true;
    // write: refuse (exit 2, nothing sent) a unit the set does not give a
    // value for everything its generation is written.
    bool Complete = false;
    std::string In;
    std::string Out;
    std::string Units;
    std::string Report;
    std::string LogDir;
    std::string Home; // the program's folder, which holds the journal
    std::vector<std::pair<std::string, std::string>> Sets; // --set NAME=VALUE, in order
    int Jobs = 0;           // units at once; 0: every unit of the list, up to DefaultMostJobs
    int LimitSeconds = 600; // the most one unit may take
    bool Child = false;     // one unit of a list, for the program that runs the list
    std::string LogFile;    // the child's log file, as the list's program names it
};

// The longest --limit, in seconds: a day.
inline constexpr int MaxLimitSeconds = 24 * 60 * 60;

// The most units a list runs at once when --jobs does not say. A unit's
// process spends some 0.06 s of processor time in a write of some 7 s (its
// time is the protocol's pauses) and holds some 8 MB of memory of its own:
// 128 of them keep about one core busy and take 1 GB; more at once would
// contend for an ordinary machine's processor rather than wait on the line.
// The system's limits can make it fewer (TChildOs::MostAtOnce).
inline constexpr int DefaultMostJobs = 128;

// The usage text of --help, with examples.
std::string BatchUsage();

// Fills Options from the arguments (without the program name); the reason
// when they are not a command line this program takes.
std::optional<std::string> ParseBatchOptions(const std::vector<std::string>& Args,
                                             TBatchOptions& Options);

// A file name for a port's log: the port with its separators replaced. On
// Windows a device's name is no file name: "COM7.log" (as CON, PRN, AUX, NUL,
// COMn and LPTn with any extension) opens the port itself, and the log would
// go down the unit's line; such a name gets "-unit" added.
std::string LogName(const std::string& Port);
