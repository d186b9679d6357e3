#pragma once
// The program's command line:
//
//   orbelin [--port NAME] [--connect] [--read-all] [--home DIR] [--help]
//
// --port fills the connection dialog's port box (the dialog still asks);
// --connect connects at start with the dialog's choices as they stand
// (the port of --port or the one remembered) instead of asking;
// --read-all also reads every page once connected;
// --home keeps the program's files (current.ini, Windows.ini,
// discription.txt, log.txt) in DIR instead of beside the executable.
//
// Threading: any thread; no state.

#include <optional>
#include <string>
#include <vector>

struct TProgramOptions {
    std::string Port;
    std::string Home;
    bool Connect = false;
    bool ReadAll = false; // implies Connect
    bool Help = false;
};

// Nothing when the arguments are fine; otherwise what is wrong with them.
std::optional<std::string> ParseProgramOptions(const std::vector<std::string>& Arguments,
                                               TProgramOptions& Options);

// The folder ORBELIN_HOME names (Value; empty when it is not set), checked
// as --home is whenever it is the one the program will use, that is when no
// --home was given. Nothing when fine; otherwise what is wrong with it.
std::optional<std::string> CheckHomeEnvironment(const std::string& Value,
                                                const TProgramOptions& Options);

std::string ProgramUsage();
