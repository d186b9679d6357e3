#include "SerialTestSupport.h"

#include <cerrno>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

void MasterWrite(TPty& Pty, const std::string& Data) {
    std::size_t done = 0;
    while (done < Data.size()) {
        const ssize_t n = write(Pty.MasterFd(), Data.data() + done, Data.size() - done);
        if (n < 0 && errno != EINTR && errno != EAGAIN)
            throw std::runtime_error("master write failed");
        if (n > 0)
            done += static_cast<std::size_t>(n);
    }
}

std::string MasterRead(TPty& Pty, std::size_t Count, int TimeoutMs) {
    std::string out;
    const auto start = TTestClock::now();
    while (out.size() < Count) {
        const long long left = TimeoutMs - MsSince(start);
        if (left <= 0)
            break;
        pollfd p{Pty.MasterFd(), POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = read(Pty.MasterFd(), buf, sizeof buf);
        if (n <= 0)
            break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

void OpenOnPty(TXComm& Comm, const TPty& Pty) {
    Comm.SetBaudRate(br19200);
    Comm.DataControl().SetParity(paNone);
    Comm.SetFlowControl(fcNone);
    Comm.SetDeviceName(Pty.SlavePath());
    Comm.Open();
}
