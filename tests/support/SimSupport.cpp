#include "SimSupport.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

#include "TestClock.h"
#include "sim/SimCommandLine.h"

void MasterWrite(TPty& Pty, const std::string& Bytes) {
    std::size_t done = 0;
    while (done < Bytes.size()) {
        const ssize_t n = write(Pty.MasterFd(), Bytes.data() + done, Bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{Pty.MasterFd(), POLLOUT, 0};
            if (poll(&p, 1, 5000) <= 0)
                throw std::runtime_error("the pty master takes nothing");
        } else if (!(n < 0 && errno == EINTR)) {
            throw std::runtime_error("write to the pty master failed");
        }
    }
}

std::string MasterRead(TPty& Pty, std::size_t Count, int TimeoutMs) {
    std::string got;
    const auto end = TTestClock::now() + std::chrono::milliseconds(TimeoutMs);
    while (got.size() < Count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - TTestClock::now());
        if (left.count() <= 0)
            break;
        pollfd p{Pty.MasterFd(), POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = read(Pty.MasterFd(), buf, std::min(sizeof buf, Count - got.size()));
        if (n > 0)
            got.append(buf, static_cast<std::size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return got;
}

TSimModemConfig FastModem() {
    TSimCommandLine commandLine;
    if (const auto error =
            ParseSimCommandLine({std::string("--modem=") + kFastModemVariants}, commandLine))
        throw std::logic_error(*error);
    return *commandLine.Options.Modem;
}
