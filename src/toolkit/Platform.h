#pragma once
// The few operating-system calls the core needs, one implementation file per
// platform (Platform_posix.cpp, Platform_win32.cpp).

#include <ctime>
#include <string>
#include <vector>

#include "toolkit/DateTimeText.h"

TLocalTime PlatformLocalTime(std::time_t t);

// Full path of the running executable, or empty when it cannot be found.
std::string PlatformExecutablePath();

char PlatformPathSeparator();

// The line end of the platform's own text files.
const char* PlatformLineEnd();

// Value of an environment variable, empty when not set.
std::string PlatformGetEnv(const char* name);

// The user may create files in the folder.
bool PlatformCanWriteFolder(const std::string& folder);

// The program's arguments after its name, as UTF-8. On Windows they are
// taken from the system's wide command line: main's argv holds them in the
// machine's ANSI code page, which cannot spell every file name.
std::vector<std::string> PlatformArguments(int argc, char** argv);
