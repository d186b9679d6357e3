#include "sim/SimControl.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

#include "toolkit/Thread.h"

class TSimControl::TServeThread : public TThread {
public:
    explicit TServeThread(TSimControl& control) : FControl(control) {}
    ~TServeThread() override { StopAndWait(); }

protected:
    void Execute() override { FControl.Serve(*this); }

private:
    TSimControl& FControl;
};

TSimControl::TSimControl(THandler handler) : FPty(true), FHandler(std::move(handler)) {
    int fds[2];
    if (fcntl(FPty.MasterFd(), F_SETFL, fcntl(FPty.MasterFd(), F_GETFL) | O_NONBLOCK) != 0 ||
        pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("control line: ") + std::strerror(errno));
    FWakeRead = fds[0];
    FWakeWrite = fds[1];
    FThread = std::make_unique<TServeThread>(*this);
    FThread->Resume();
}

TSimControl::~TSimControl() {
    FThread->Terminate();
    const char c = 1;
    [[maybe_unused]] const ssize_t n = write(FWakeWrite, &c, 1);
    FThread.reset();
    close(FWakeRead);
    close(FWakeWrite);
}

bool TSimControl::Reply(const TThread& self, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(FPty.MasterFd(), text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return true; // nobody can read it: the next command still gets its answer
        // The reader is slow: wait until it takes more, or until told to stop.
        pollfd fds[2] = {{FWakeRead, POLLIN, 0}, {FPty.MasterFd(), POLLOUT, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            return false;
        if (self.Terminated())
            return false;
    }
    return true;
}

void TSimControl::Serve(const TThread& self) {
    std::string line;
    bool overlong = false;
    char buf[4096];
    while (!self.Terminated()) {
        pollfd fds[2] = {{FWakeRead, POLLIN, 0}, {FPty.MasterFd(), POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents & POLLIN)
            continue; // only ever written to stop the thread
        if (!(fds[1].revents & POLLIN))
            continue;
        const ssize_t n = read(FPty.MasterFd(), buf, sizeof buf);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            return; // cannot happen while the slave is held
        }
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] != '\n') {
                if (line.size() < MaxLine)
                    line += buf[i];
                else
                    overlong = true;
                continue;
            }
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const std::string reply =
                overlong ? "error line longer than " + std::to_string(MaxLine) + " bytes"
                         : FHandler(line);
            line.clear();
            overlong = false;
            if (!Reply(self, reply + "\n"))
                return;
        }
    }
}
