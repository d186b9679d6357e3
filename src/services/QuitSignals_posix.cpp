#include "services/QuitSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> StopSignals{SIGTERM, SIGINT, SIGHUP};
std::array<struct sigaction, StopSignals.size()> Previous{};
// The signals taken: one ignored when the program started is left alone.
std::array<bool, StopSignals.size()> Taken{};

// The handler may only write: one byte into a socket the event loop watches
// and one into the watchdog's pipe.
volatile sig_atomic_t WakeWrite = -1;
volatile sig_atomic_t WatchWrite = -1;
// Stop requests so far. The handler blocks the other stop signals only in
// the thread it runs on: two signals can be handled on two threads at once
// (the run's SIGTERM and the terminal's SIGINT), so the count is an atomic,
// which is lock-free and safe in a handler.
std::atomic<int> Requests{0};
static_assert(std::atomic<int>::is_always_lock_free);
volatile sig_atomic_t RepeatEnds = 1;
// How long the shutdown may take after the first request. A zero byte in the
// watchdog's pipe says it changed; any other byte is a stop signal.
std::atomic<long long> AllowedMs{TQuitOnSignals::ShutdownLimit.count()};

// What RemoveAtHardEnd named; published once complete, so that the handler
// and the watchdog only read it (unlink and rmdir may run in a handler).
std::vector<std::string> HardEndPaths;
std::atomic<const std::vector<std::string>*> HardEndList{nullptr};

void RemoveHardEndPaths() {
    if (const auto* paths = HardEndList.load())
        for (const std::string& path : *paths)
            if (unlink(path.c_str()) != 0)
                rmdir(path.c_str());
}

// Ends the process the way the signal would have without a handler.
[[noreturn]] void EndBy(int sig) {
    RemoveHardEndPaths();
    signal(sig, SIG_DFL);
    // Inside the handler the signal is blocked: it would only be pending.
    sigset_t just;
    sigemptyset(&just);
    sigaddset(&just, sig);
    pthread_sigmask(SIG_UNBLOCK, &just, nullptr);
    raise(sig);
    _exit(128 + sig); // not reached
}

extern "C" void OnStopSignal(int sig) {
    const int saved = errno;
    if (Requests.fetch_add(1) > 0) {
        if (RepeatEnds)
            EndBy(sig); // asked again: whatever the shutdown waits for, it waits no more
        errno = saved;
        return;
    }
    const char c = static_cast<char>(sig);
    [[maybe_unused]] ssize_t n = write(WakeWrite, &c, 1);
    n = write(WatchWrite, &c, 1);
    errno = saved;
}

// Waits for the first stop request, then gives the orderly shutdown its time;
// the pipe's closing (the shutdown finished) stands it down. Words: what it
// says on stderr when it ends the program.
void Watch(int fd, std::string Words) {
    char sig = 0;
    ssize_t n;
    // A change of the allowed time before any request only sets what the
    // shutdown will get.
    do {
        n = read(fd, &sig, 1);
    } while ((n < 0 && errno == EINTR) || (n == 1 && sig == 0));
    if (n != 1)
        return;
    using TClock = std::chrono::steady_clock;
    const auto request = TClock::now();
    for (;;) {
        const auto deadline = request + std::chrono::milliseconds(AllowedMs.load());
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - TClock::now());
        if (left.count() <= 0)
            break;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0) {
            char more[16];
            if (read(fd, more, sizeof more) == 0)
                return; // closed: the program ended in time
        }
    }
    [[maybe_unused]] const ssize_t w = write(STDERR_FILENO, Words.data(), Words.size());
    EndBy(sig);
}

// A program started with the stop signals held (a unit's process of a list)
// takes them from now on, one that came meanwhile at once.
void ReleaseStopSignals() {
    sigset_t stops;
    sigemptyset(&stops);
    for (int sig : StopSignals)
        sigaddset(&stops, sig);
    pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
}

} // namespace

TQuitOnSignals::TQuitOnSignals(std::function<void()> OnStop, TRepeat Repeat) {
    if (WakeWrite != -1)
        return;
    // The program still runs without them; a signal then stops it as before.
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, FFds) != 0) {
        ReleaseStopSignals();
        return;
    }
    if (pipe2(FWatchFds, O_CLOEXEC) != 0) {
        close(FFds[0]);
        close(FFds[1]);
        ReleaseStopSignals();
        return;
    }
    Requests = 0;
    RepeatEnds = Repeat == TRepeat::EndsAtOnce;
    AllowedMs = ShutdownLimit.count();
    WakeWrite = FFds[0];
    WatchWrite = FWatchFds[1];
    const std::string program = QCoreApplication::applicationName().toStdString();
    FWatchdog = std::thread(Watch, FWatchFds[0],
                            (program.empty() ? std::string("orbelin") : program) +
                                ": остановка не завершилась вовремя, программа завершается\n");
    FNotifier = new QSocketNotifier(FFds[1], QSocketNotifier::Read, this);
    FOnStop = std::move(OnStop);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] {
        char buf[64];
        while (read(FFds[1], buf, sizeof buf) > 0) {
        }
        Deliver();
    });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : StopSignals)
        sigaddset(&action.sa_mask, sig);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < StopSignals.size(); ++i) {
        sigaction(StopSignals[i], nullptr, &Previous[i]);
        Taken[i] = Previous[i].sa_handler != SIG_IGN;
        if (Taken[i])
            sigaction(StopSignals[i], &action, nullptr);
    }
    ReleaseStopSignals();
}

void TQuitOnSignals::Deliver() {
    if (FReceived++ > 0)
        return;
    if (FOnStop) {
        FOnStop();
        return;
    }
    // Every event loop ends, a modal dialog's nested one included, and one
    // that runs before the main loop has started (quit() would only end the
    // main loop, and only once it runs).
    QCoreApplication::exit(0);
}

void TQuitOnSignals::AllowShutdown(std::chrono::milliseconds Limit) {
    if (WatchWrite == -1)
        return;
    if (Limit.count() > AllowedMs.load())
        AllowedMs = Limit.count();
    const char changed = 0;
    [[maybe_unused]] const ssize_t n = write(WatchWrite, &changed, 1);
}

void TQuitOnSignals::RemoveAtHardEnd(std::vector<std::string> Paths) {
    HardEndList = nullptr;
    HardEndPaths = std::move(Paths);
    if (!HardEndPaths.empty())
        HardEndList = &HardEndPaths;
}

bool TQuitOnSignals::Stopping() {
    return WakeWrite != -1 && Requests > 0;
}

TQuitOnSignals::~TQuitOnSignals() {
    if (!FNotifier)
        return;
    RemoveAtHardEnd({});
    for (std::size_t i = 0; i < StopSignals.size(); ++i)
        if (Taken[i])
            sigaction(StopSignals[i], &Previous[i], nullptr);
    WakeWrite = -1;
    WatchWrite = -1;
    close(FWatchFds[1]); // stands the watchdog down
    FWatchdog.join();
    close(FWatchFds[0]);
    delete FNotifier;
    close(FFds[0]);
    close(FFds[1]);
}
