#include "TestPort.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace {
using TClock = std::chrono::steady_clock;

int MsLeft(TClock::time_point end) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - TClock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}
} // namespace

TTestPort::TTestPort(const std::string& path) {
    FFd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (FFd < 0)
        throw std::runtime_error("cannot open " + path);
    termios tio{};
    tcgetattr(FFd, &tio);
    cfmakeraw(&tio);
    tcsetattr(FFd, TCSANOW, &tio);
}

TTestPort::~TTestPort() {
    close(FFd);
}

void TTestPort::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(FFd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<size_t>(n));
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{FFd, POLLOUT, 0};
            poll(&p, 1, 1000);
        } else if (!(n < 0 && errno == EINTR)) {
            throw std::runtime_error("write to the port failed");
        }
    }
}

bool TTestPort::Fill(int timeoutMs) {
    pollfd p{FFd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0)
        return false;
    char buf[4096];
    const ssize_t n = read(FFd, buf, sizeof buf);
    if (n > 0) {
        FBuffer.append(buf, static_cast<size_t>(n));
        return true;
    }
    if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
        FHungUp = true;
        return false;
    }
    return true;
}

std::string TTestPort::ReadUntil(std::string_view mark, int timeoutMs) {
    const auto end = TClock::now() + std::chrono::milliseconds(timeoutMs);
    size_t pos;
    while ((pos = FBuffer.find(mark)) == std::string::npos) {
        if (FHungUp || MsLeft(end) == 0 || (!Fill(MsLeft(end)) && FHungUp))
            break;
    }
    const size_t take = pos == std::string::npos ? FBuffer.size() : pos + mark.size();
    std::string r = FBuffer.substr(0, take);
    FBuffer.erase(0, take);
    return r;
}

std::string TTestPort::ReadFor(int ms) {
    const auto end = TClock::now() + std::chrono::milliseconds(ms);
    while (!FHungUp && MsLeft(end) > 0)
        Fill(MsLeft(end));
    std::string r;
    r.swap(FBuffer);
    return r;
}

std::string TTestPort::Exchange(std::string_view command, int timeoutMs) {
    Write(std::string(command) + "\r");
    const auto end = TClock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const size_t ok = FBuffer.find("OK\r\n");
        const size_t error = FBuffer.find("ERROR\r\n");
        const size_t stop = std::min(ok == std::string::npos ? ok : ok + 4,
                                     error == std::string::npos ? error : error + 7);
        if (stop != std::string::npos) {
            std::string r = FBuffer.substr(0, stop);
            FBuffer.erase(0, stop);
            return r;
        }
        if (FHungUp || MsLeft(end) == 0 || (!Fill(MsLeft(end)) && FHungUp)) {
            std::string r;
            r.swap(FBuffer);
            return r;
        }
    }
}

bool TTestPort::WaitHangup(int timeoutMs) {
    const auto end = TClock::now() + std::chrono::milliseconds(timeoutMs);
    while (!FHungUp && MsLeft(end) > 0)
        Fill(MsLeft(end));
    return FHungUp;
}
