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
// Threading: any thread; no state. UseProgramFolder: see there.

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

// Points ProgramFolder at the folder the program keeps its files in, by one
// rule for the window and orbelin-batch, which share the journal there:
// Home (--home) when given, else ORBELIN_HOME, else beside the program when
// it runs from a folder of its own (a build tree, a portable copy), else the
// window's folder in the user's configuration folder, made for the user
// alone. Nothing when done; what went wrong when that folder could not be
// made (it is used all the same). GUI thread, before any file is used.
std::optional<std::string> UseProgramFolder(const std::string& Home);
