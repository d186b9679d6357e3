#pragma once
// Whether "current.ini" came through a run whole: it can be read, it holds
// every section and key a save writes, and the connection and page values
// the window had when it closed.
//
// Threading: GUI thread (the first call builds a window to learn the keys).

#include <string>
#include <vector>

struct TIniExpectation {
    std::string Port;        // the port of the last connection
    std::string AccessPoint; // the GPRS page's access point at closing
};

// What is wrong with the file; empty when nothing is.
std::vector<std::string> CheckCurrentIni(const std::string& FileName,
                                         const TIniExpectation& Expected);
