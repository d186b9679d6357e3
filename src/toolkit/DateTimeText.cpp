#include "toolkit/DateTimeText.h"

#include <cstdio>

#include "toolkit/Platform.h"

TLocalTime ToLocalTime(std::chrono::system_clock::time_point tp) {
    using namespace std::chrono;
    const auto secs = time_point_cast<seconds>(tp);
    const auto ms = duration_cast<milliseconds>(tp - secs).count();
    TLocalTime t = PlatformLocalTime(system_clock::to_time_t(secs));
    t.Millisecond = static_cast<int>(ms < 0 ? 0 : ms);
    return t;
}

TLocalTime LocalTimeNow() {
    return ToLocalTime(std::chrono::system_clock::now());
}

std::string FormatDateTime(const TLocalTime& t) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %d:%02d:%02d", t.Day, t.Month, t.Year, t.Hour,
                  t.Minute, t.Second);
    return buf;
}

std::string DateTimeText() {
    return FormatDateTime(LocalTimeNow());
}

double TimeOfDaySeconds(const TLocalTime& t) {
    return t.Hour * 3600.0 + t.Minute * 60.0 + t.Second + t.Millisecond / 1000.0;
}
