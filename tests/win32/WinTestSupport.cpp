#include "WinTestSupport.h"

#include <algorithm>
#include <stdexcept>

#include "toolkit/TextUtil.h"

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string RequiredEnv(const char* Name) {
    char buf[512];
    const DWORD n = GetEnvironmentVariableA(Name, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf)
        throw std::runtime_error(
            std::string(Name) +
            " is not set: run this test through wine-test.sh with ORB_WINE_SIM=1");
    return std::string(buf, n);
}

TSimControlClient::TSimControlClient() : TSimControlClient(RequiredEnv("ORB_SIM_CONTROL")) {}

TSimControlClient::TSimControlClient(const std::string& name) {
    FHandle = CreateFileA(("\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          OPEN_EXISTING, 0, nullptr);
    if (FHandle == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open the control line " + name + ": error " +
                                 std::to_string(GetLastError()));
}

TSimControlClient::~TSimControlClient() {
    if (FHandle != INVALID_HANDLE_VALUE)
        CloseHandle(FHandle);
}

std::string TSimControlClient::Command(const std::string& Line, int TimeoutMs) {
    const std::string out = Line + "\n";
    DWORD written = 0;
    if (!WriteFile(FHandle, out.data(), static_cast<DWORD>(out.size()), &written, nullptr) ||
        written != out.size())
        throw std::runtime_error("control line: cannot send " + Line);
    const auto start = TTestClock::now();
    for (;;) {
        const std::size_t end = FPending.find('\n');
        if (end != std::string::npos) {
            std::string reply = FPending.substr(0, end);
            FPending.erase(0, end + 1);
            if (!reply.starts_with("ok"))
                throw std::runtime_error("control line: " + Line + " -> " + reply);
            return reply;
        }
        const long long left = TimeoutMs - MsSince(start);
        if (left <= 0)
            throw std::runtime_error("control line: no reply to " + Line);
        // One byte with a total timeout blocks until the reply begins (a
        // request for more would wait for all of it); the rest is queued then.
        COMMTIMEOUTS t{};
        t.ReadTotalTimeoutConstant = static_cast<DWORD>(left);
        SetCommTimeouts(FHandle, &t);
        char buf[65536];
        DWORD n = 0;
        if (!ReadFile(FHandle, buf, 1, &n, nullptr) && GetLastError() != ERROR_TIMEOUT)
            throw std::runtime_error("control line: read failed, error " +
                                     std::to_string(GetLastError()));
        DWORD errors = 0;
        COMSTAT stat{};
        if (n == 1 && ClearCommError(FHandle, &errors, &stat) && stat.cbInQue > 0) {
            DWORD more = 0;
            if (ReadFile(FHandle, buf + 1, std::min<DWORD>(stat.cbInQue, sizeof buf - 1), &more,
                         nullptr))
                n += more;
        }
        FPending.append(buf, n);
    }
}

void TSimControlClient::Reset(const std::string& Options) {
    Command(Options.empty() ? "reset" : "reset " + Options);
}

std::vector<std::string> TSimControlClient::List(const std::string& Verb) {
    // "ok N", then a TAB before each item.
    const std::string reply = Command(Verb);
    std::vector<std::string> items;
    std::size_t tab = reply.find('\t');
    while (tab != std::string::npos) {
        const std::size_t next = reply.find('\t', tab + 1);
        items.push_back(reply.substr(tab + 1, next == std::string::npos ? next : next - tab - 1));
        tab = next;
    }
    const std::string head = "ok " + std::to_string(items.size());
    if (reply.compare(0, reply.find('\t'), head) != 0)
        throw std::runtime_error("control line: malformed list: " + reply);
    return items;
}

std::vector<std::string> TSimControlClient::Commands() {
    return List("commands");
}

std::vector<std::string> TSimControlClient::ModemLines() {
    return List("modem-lines");
}

std::string TSimControlClient::Received(std::size_t AtLeast, int TimeoutMs) {
    const std::string reply =
        AtLeast == 0
            ? Command("received")
            : Command("received " + std::to_string(AtLeast) + " " + std::to_string(TimeoutMs),
                      TimeoutMs + 10000);
    return BytesFromHex(reply.substr(3));
}

std::string BytesFromHex(const std::string& Hex) {
    std::string bytes;
    for (std::size_t i = 0; i < Hex.size(); i += 2) {
        const int hi = HexDigitValue(Hex[i]);
        const int lo = i + 1 < Hex.size() ? HexDigitValue(Hex[i + 1]) : -1;
        if (hi < 0 || lo < 0)
            throw std::runtime_error("control line: malformed bytes: " + Hex.substr(0, 80));
        bytes += static_cast<char>(hi * 16 + lo);
    }
    return bytes;
}

std::string TSimControlClient::Line() {
    return Command("line").substr(3);
}
