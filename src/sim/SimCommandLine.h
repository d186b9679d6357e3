#pragma once
// The command line of the stand-alone simulator and the readable form of the
// bytes it logs. Kept in the library so the parsing is tested in-process.
// Threading: plain functions, no shared state.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/Simulator.h"

struct TSimCommandLine {
    TSimOptions Options;
    std::string LinkPath;
    std::string ControlPath;                // a control line (SimControl.h) linked there
    std::optional<std::string> VersionText; // Windows-1251
    bool CommitFails = false;
    int NoCarrierIdleMs = 0;
    std::vector<TSimFault> Faults;
    std::vector<std::pair<std::string, std::string>> Values; // key, Windows-1251 value
    bool Help = false;
};

// Parses the arguments after the program name; returns what is wrong, or nothing.
std::optional<std::string> ParseSimCommandLine(const std::vector<std::string>& args,
                                               TSimCommandLine& result);
// Applies one --modem variant ("busy", "creg-roaming", "guard=50", ...).
std::optional<std::string> ApplyModemVariant(std::string_view variant, TSimModemConfig& config);
// Parses a --fault value: KIND[,cmd=TEXT][,exact][,skip=N][,count=N|every]
// [,delay=MS][,size=N][,bytes=TEXT].
std::optional<std::string> ParseFault(std::string_view Text, TSimFault& fault);
// Gives a running simulator's unit what the command line asked for.
void ApplySimCommandLine(const TSimCommandLine& commandLine, TSimulator& sim);
std::string SimUsage();

// Windows-1251 bytes as UTF-8 for a person: control bytes as \r, \n, \t or
// \xNN, a backslash doubled.
std::string ReadableBytes(std::string_view bytes);
// The reverse for typed arguments: \r \n \t \\ \xNN; the rest is UTF-8 text
// turned into Windows-1251. Nothing when an escape is malformed.
std::optional<std::string> UnescapeArgument(std::string_view text);
