#include "sim/Simulator.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

#include "toolkit/Thread.h"

class TSimulator::TServeThread : public TThread {
public:
    explicit TServeThread(TSimulator& sim) : FSim(sim) {}
    ~TServeThread() override { StopAndWait(); }

protected:
    void Execute() override { FSim.Serve(*this); }

private:
    TSimulator& FSim;
};

namespace {
[[noreturn]] void Fail(const char* what) {
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

int PollTimeout(std::optional<TSimClock::time_point> next, TSimClock::time_point now) {
    if (!next)
        return -1;
    if (*next <= now)
        return 0;
    // Rounded up, so a wake-up never comes before the event is due; far
    // events just cost one extra wake-up a minute.
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(*next - now).count();
    return static_cast<int>(std::min<long long>((us + 999) / 1000, 60000));
}

std::optional<TSimClock::time_point> Earlier(std::optional<TSimClock::time_point> a,
                                             std::optional<TSimClock::time_point> b) {
    if (!a)
        return b;
    if (!b)
        return a;
    return *a < *b ? a : b;
}

// Bits per second of a terminal speed code; -1 for one not listed.
long SpeedNumber(speed_t speed) {
    static const std::pair<speed_t, long> speeds[] = {
        {B0, 0},           {B50, 50},         {B75, 75},         {B110, 110},
        {B134, 134},       {B150, 150},       {B200, 200},       {B300, 300},
        {B600, 600},       {B1200, 1200},     {B1800, 1800},     {B2400, 2400},
        {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
        {B57600, 57600},   {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
        {B500000, 500000}, {B921600, 921600}};
    for (const auto& [code, number] : speeds)
        if (code == speed)
            return number;
    return -1;
}
} // namespace

TSimulator::TSimulator(const TSimOptions& options)
    : FPty(true), FRaw(options.Raw), FOnDropped(options.OnLineDropped) {
    if (fcntl(FPty.MasterFd(), F_SETFL, fcntl(FPty.MasterFd(), F_GETFL) | O_NONBLOCK) != 0)
        Fail("fcntl");
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        Fail("pipe2");
    FWakeRead = fds[0];
    FWakeWrite = fds[1];

    const int wakeFd = FWakeWrite;
    auto wake = [wakeFd] {
        const char c = 1;
        // A full pipe already holds a wake-up; nothing is lost.
        [[maybe_unused]] const ssize_t n = write(wakeFd, &c, 1);
    };
    FUnit.SetRevision(options.Revision);
    FUnit.SetEcho(options.Echo);
    FUnit.SetReplyDelay(options.ReplyDelayMs);
    FUnit.SetHooks(wake, options.Trace);
    if (options.Modem) {
        FModem = std::make_unique<TSimModem>(*options.Modem);
        FModem->SetHooks(wake, options.Trace);
        // The modem wakes when a program opens the port: watch the slave for opens.
        FOpenWatch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (FOpenWatch < 0 || inotify_add_watch(FOpenWatch, SlavePath().c_str(), IN_OPEN) < 0) {
            close(FWakeRead);
            close(FWakeWrite);
            if (FOpenWatch >= 0)
                close(FOpenWatch);
            Fail("inotify");
        }
    }
    FThread = std::make_unique<TServeThread>(*this);
    FThread->Resume();
}

TSimulator::~TSimulator() {
    FThread->Terminate();
    Wake();
    FThread->WaitFor();
    FThread.reset();
    close(FWakeRead);
    close(FWakeWrite);
    if (FOpenWatch >= 0)
        close(FOpenWatch);
}

TSimModem& TSimulator::Modem() {
    if (!FModem)
        throw std::logic_error("the simulator has no modem");
    return *FModem;
}

std::string TSimulator::TakeReceived(std::size_t atLeast, int timeoutMs) {
    std::unique_lock lock(FReceivedMutex);
    FReceivedMore.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return FReceived.size() >= atLeast; });
    return std::exchange(FReceived, {});
}

void TSimulator::SetHold(bool hold) {
    FHold.store(hold);
    Wake();
}

std::string TSimulator::LineSettings() const {
    // Terminal settings asked of the master side are those of the slave,
    // which is where the program made them.
    termios t{};
    {
        std::lock_guard lock(FLineMutex); // the master stays open meanwhile
        if (FDropped.load(std::memory_order_acquire) || tcgetattr(FPty.MasterFd(), &t) != 0)
            return "unknown";
    }
    const tcflag_t size = t.c_cflag & CSIZE;
    const int bits = size == CS5 ? 5 : size == CS6 ? 6 : size == CS7 ? 7 : 8;
    const char parity = !(t.c_cflag & PARENB) ? 'N' : (t.c_cflag & PARODD) ? 'O' : 'E';
    std::string text = std::to_string(SpeedNumber(cfgetospeed(&t))) + " " + std::to_string(bits) +
                       parity + ((t.c_cflag & CSTOPB) ? "2" : "1");
    if (t.c_cflag & CRTSCTS)
        text += " crtscts";
    if (t.c_iflag & IXON)
        text += " ixon";
    if (t.c_iflag & IXOFF)
        text += " ixoff";
    return text;
}

void TSimulator::Wake() {
    const char c = 1;
    // A full pipe already holds a wake-up; nothing is lost.
    [[maybe_unused]] const ssize_t n = write(FWakeWrite, &c, 1);
}

void TSimulator::FromLine(std::string_view bytes) {
    if (FRaw) {
        {
            std::lock_guard lock(FReceivedMutex);
            FReceived.append(bytes);
        }
        FReceivedMore.notify_all();
        return;
    }
    const auto now = TSimClock::now();
    if (FModem) {
        std::string toUnit;
        FModem->FromLine(bytes, now, toUnit);
        if (!toUnit.empty())
            FUnit.Receive(toUnit, now);
    } else {
        FUnit.Receive(bytes, now);
    }
}

void TSimulator::PortEvents() {
    alignas(inotify_event) char buf[4096];
    for (;;) {
        const ssize_t n = read(FOpenWatch, buf, sizeof buf);
        if (n <= 0)
            return;
        for (ssize_t i = 0; i < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buf + i);
            if (e->mask & IN_OPEN)
                FModem->PortOpened(TSimClock::now());
            i += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
}

void TSimulator::Drop() {
    {
        std::lock_guard lock(FLineMutex);
        // Set before the hang-up can be seen, so whoever sees it also sees the flag.
        FDropped.store(true, std::memory_order_release);
        FPty.CloseMaster();
        FPty.ReleaseSlave();
    }
    if (FOnDropped)
        FOnDropped();
}

void TSimulator::Serve(const TThread& self) {
    const int master = FPty.MasterFd();
    std::string out;
    char buf[4096];
    while (!self.Terminated()) {
        const auto now = TSimClock::now();
        std::string toUnit;
        if (FModem)
            FModem->Tick(now, toUnit);
        if (!toUnit.empty())
            FUnit.Receive(toUnit, now);
        bool drop = false;
        std::string unitOut = FUnit.TakeDue(now, drop);
        if (FModem) {
            if (!unitOut.empty())
                FModem->FromUnit(unitOut);
            out += FModem->TakeLineOutput();
        } else {
            out += unitOut;
        }

        while (!out.empty()) {
            const ssize_t n = write(master, out.data(), out.size());
            if (n > 0)
                out.erase(0, static_cast<size_t>(n));
            else if (n < 0 && errno == EINTR)
                continue;
            else
                break; // the program is not reading: wait until it does
        }
        if (drop) {
            Drop();
            return;
        }

        const short readLine = FHold.load() ? 0 : POLLIN;
        pollfd fds[3] = {{FWakeRead, POLLIN, 0},
                         {master, static_cast<short>(readLine | (out.empty() ? 0 : POLLOUT)), 0},
                         {FOpenWatch, POLLIN, 0}};
        const nfds_t count = FOpenWatch >= 0 ? 3 : 2;
        const auto next = Earlier(FUnit.NextDue(), FModem ? FModem->NextDue() : std::nullopt);
        const int r = poll(fds, count, PollTimeout(next, TSimClock::now()));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            Fail("poll");
        }
        if (fds[0].revents & POLLIN) {
            while (read(FWakeRead, buf, sizeof buf) > 0) {
            }
        }
        // Hold is checked again: it may have been set while poll slept with
        // the line in its set, and what was written after it stays unread.
        if ((fds[1].revents & POLLIN) && !FHold.load()) {
            const ssize_t n = read(master, buf, sizeof buf);
            if (n > 0)
                FromLine(std::string_view(buf, static_cast<size_t>(n)));
            else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                return; // the pseudo-terminal is gone
        } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            return; // cannot happen while the slave is held; never spin on it
        }
        if (count == 3 && (fds[2].revents & POLLIN))
            PortEvents();
    }
}
