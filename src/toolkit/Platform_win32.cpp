#include "toolkit/Platform.h"

#include <cstdlib>
#include <windows.h>

#include <shellapi.h>

namespace {

// Paths and environment values travel as UTF-8 inside the program; the ANSI
// calls would hand them over in the machine's code page and garble a
// Cyrillic folder name.
std::string WideToUtf8(const wchar_t* text, int length) {
    if (length <= 0)
        return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::wstring Utf8ToWide(const char* text) {
    const int chars = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (chars <= 0)
        return {};
    std::wstring out(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), chars);
    out.resize(static_cast<size_t>(chars - 1));
    return out;
}

} // namespace

TLocalTime PlatformLocalTime(std::time_t t) {
    struct tm tmv {};
    localtime_s(&tmv, &t);
    TLocalTime r;
    r.Year = tmv.tm_year + 1900;
    r.Month = tmv.tm_mon + 1;
    r.Day = tmv.tm_mday;
    r.Hour = tmv.tm_hour;
    r.Minute = tmv.tm_min;
    r.Second = tmv.tm_sec;
    return r;
}

std::string PlatformExecutablePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return {};
        if (n < buf.size())
            return WideToUtf8(buf.data(), static_cast<int>(n));
        if (buf.size() >= 32768)
            return {};
        buf.resize(buf.size() * 2);
    }
}

const char* PlatformLineEnd() {
    return "\r\n";
}

char PlatformPathSeparator() {
    return '\\';
}

std::string PlatformGetEnv(const char* name) {
    const std::wstring wname = Utf8ToWide(name);
    const DWORD n = GetEnvironmentVariableW(wname.c_str(), nullptr, 0);
    if (n == 0)
        return {};
    std::wstring value(n, L'\0');
    const DWORD got = GetEnvironmentVariableW(wname.c_str(), value.data(), n);
    if (got == 0 || got >= n)
        return {};
    return WideToUtf8(value.data(), static_cast<int>(got));
}

// The folder's read-only attribute says nothing about who may write in it:
// try, with a file that goes when its handle closes.
bool PlatformCanWriteFolder(const std::string& folder) {
    std::wstring probe = Utf8ToWide(folder.c_str());
    if (!probe.empty() && probe.back() != L'\\' && probe.back() != L'/')
        probe += L'\\';
    probe += L"orbelin-write-probe-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    const HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

std::vector<std::string> PlatformArguments(int, char**) {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return arguments;
    for (int i = 1; i < count; ++i)
        arguments.push_back(WideToUtf8(wide[i], static_cast<int>(wcslen(wide[i]))));
    LocalFree(wide);
    return arguments;
}
