#include "QuitSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 3> StopSignals{SIGTERM, SIGINT, SIGHUP};
std::array<struct sigaction, StopSignals.size()> Previous{};

// The handler may only write: one byte into a socket the event loop watches.
volatile sig_atomic_t WakeWrite = -1;

extern "C" void OnStopSignal(int) {
    const int saved = errno;
    const char c = 1;
    [[maybe_unused]] const ssize_t n = write(WakeWrite, &c, 1);
    errno = saved;
}

} // namespace

TQuitOnSignals::TQuitOnSignals() {
    if (WakeWrite != -1)
        return;
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, FFds) != 0)
        return; // the program still runs; a signal then stops it as before
    WakeWrite = FFds[0];
    FNotifier = new QSocketNotifier(FFds[1], QSocketNotifier::Read, this);
    connect(FNotifier, &QSocketNotifier::activated, this, [this] {
        char buf[64];
        while (read(FFds[1], buf, sizeof buf) > 0) {
        }
        ++FReceived;
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < StopSignals.size(); ++i)
        sigaction(StopSignals[i], &action, &Previous[i]);
}

TQuitOnSignals::~TQuitOnSignals() {
    if (!FNotifier)
        return;
    for (std::size_t i = 0; i < StopSignals.size(); ++i)
        sigaction(StopSignals[i], &Previous[i], nullptr);
    WakeWrite = -1;
    delete FNotifier;
    close(FFds[0]);
    close(FFds[1]);
}
