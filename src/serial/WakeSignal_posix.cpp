#include "serial/WakeSignal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

TWakeSignal::TWakeSignal() {
    const int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
    FNative = fd;
}

TWakeSignal::~TWakeSignal() {
    close(static_cast<int>(FNative));
}

void TWakeSignal::Raise() {
    const std::uint64_t one = 1;
    // A counter already at its limit is still raised: nothing to do then.
    while (write(static_cast<int>(FNative), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void TWakeSignal::Clear() {
    std::uint64_t count = 0;
    while (read(static_cast<int>(FNative), &count, sizeof count) < 0 && errno == EINTR) {
    }
}

bool TWakeSignal::Wait(int TimeoutMs) {
    pollfd p{static_cast<int>(FNative), POLLIN, 0};
    int r;
    while ((r = poll(&p, 1, TimeoutMs < 0 ? 0 : TimeoutMs)) < 0 && errno == EINTR) {
    }
    return r > 0;
}
