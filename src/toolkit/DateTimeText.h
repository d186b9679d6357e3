#pragma once
// The one date-and-time text the program writes (stamped memo lines, log
// banners): "dd.MM.yyyy H:mm:ss", e.g. "07.12.2026 9:05:03", whatever the
// machine's locale.

#include <chrono>
#include <string>

struct TLocalTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
};

TLocalTime LocalTimeNow();
TLocalTime ToLocalTime(std::chrono::system_clock::time_point tp);
std::string FormatDateTime(const TLocalTime& t);
std::string DateTimeText(); // now

// Seconds since local midnight (with milliseconds), the "time of day" value the
// keep-alive compares.
double TimeOfDaySeconds(const TLocalTime& t);
