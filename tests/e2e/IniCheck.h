#pragma once
// Whether "current.ini" came through a run whole: it can be read, it holds
// every section and key a save of a window without known values writes,
// and the connection and page values the window had when it closed.
//
// Threading: GUI thread (the first call builds a window to learn the keys).

#include <optional>
#include <string>
#include <vector>

struct TIniExpectation {
    std::string Port; // the port of the last connection
    // The GPRS page's access point at closing; nothing when it had no known
    // value (the file then has no key for it).
    std::optional<std::string> AccessPoint;
};

// What is wrong with the file; empty when nothing is.
std::vector<std::string> CheckCurrentIni(const std::string& FileName,
                                         const TIniExpectation& Expected);
