// A unit's process on POSIX: posix_spawn with its stdout and stderr on
// pipes, which socket notifiers watch.
//
// The process starts with the stop signals held (blocked), and its stop
// handler (TQuitOnSignals) releases them once it stands: Ctrl+C reaches the
// terminal's whole foreground group, the units' processes with it, and one
// caught while it starts up would otherwise die in the middle of copying
// its set (passwords and all) into a temporary file. A signal that came
// meanwhile is then taken as a stop request like any other. The processes
// stay in the run's group, so that Ctrl+C still stops them should the run
// itself be stuck.

#include <QSocketNotifier>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "batch/UnitProcessOs.h"

extern char** environ;

struct TChildOs::TImpl {
    pid_t Pid = -1;
    std::array<int, 2> Fds{-1, -1}; // by TChildStream
    std::array<std::unique_ptr<QSocketNotifier>, 2> Watches;

    void Close(std::size_t Stream) {
        if (Watches[Stream]) {
            // Read runs inside the notifier's own signal.
            Watches[Stream]->setEnabled(false);
            Watches[Stream].release()->deleteLater();
        }
        if (Fds[Stream] >= 0)
            close(Fds[Stream]);
        Fds[Stream] = -1;
    }
};

TChildOs::TChildOs() : FImpl(std::make_unique<TImpl>()) {}

TChildOs::~TChildOs() {
    if (FImpl->Pid > 0) {
        Kill();
        Wait();
    }
    for (std::size_t s = 0; s < 2; ++s) {
        FImpl->Watches[s].reset();
        FImpl->Close(s);
    }
}

bool TChildOs::Start(const std::string& Program, const std::vector<std::string>& Args,
                     TReadable OnReadable, std::string* Error) {
    const auto failed = [Error](int Code) {
        if (Error)
            *Error = std::strerror(Code);
        return false;
    };
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return failed(errno);
    if (pipe2(err, O_CLOEXEC) != 0) {
        const int code = errno;
        close(out[0]);
        close(out[1]);
        return failed(code);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t held;
    sigemptyset(&held);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&held, sig);
    posix_spawnattr_setsigmask(&attributes, &held);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    std::vector<std::string> all{Program};
    all.insert(all.end(), Args.begin(), Args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc =
        posix_spawn(&FImpl->Pid, Program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(out[1]);
    close(err[1]);
    if (rc != 0) {
        FImpl->Pid = -1;
        close(out[0]);
        close(err[0]);
        return failed(rc);
    }
    FImpl->Fds = {out[0], err[0]};
    for (const TChildStream stream : {TChildStream::Out, TChildStream::Err}) {
        const auto s = static_cast<std::size_t>(stream);
        const int fd = FImpl->Fds[s];
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        FImpl->Watches[s] = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        QObject::connect(FImpl->Watches[s].get(), &QSocketNotifier::activated,
                         [OnReadable, stream] { OnReadable(stream); });
    }
    return true;
}

bool TChildOs::Read(TChildStream Stream, std::string& Into) {
    const auto s = static_cast<std::size_t>(Stream);
    if (FImpl->Fds[s] < 0)
        return false;
    char buffer[4096];
    const ssize_t n = read(FImpl->Fds[s], buffer, sizeof buffer);
    if (n > 0) {
        Into.append(buffer, static_cast<std::size_t>(n));
        return true;
    }
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return true;
    FImpl->Close(s);
    return false;
}

TChildExit TChildOs::Wait() {
    TChildExit exit;
    if (FImpl->Pid <= 0)
        return exit;
    int status = 0;
    while (waitpid(FImpl->Pid, &status, 0) < 0 && errno == EINTR) {
    }
    FImpl->Pid = -1;
    if (WIFEXITED(status)) {
        exit.Code = WEXITSTATUS(status);
    } else {
        exit.Crashed = true;
        exit.Code = WIFSIGNALED(status) ? WTERMSIG(status) : -1;
    }
    return exit;
}

void TChildOs::Kill() {
    if (FImpl->Pid > 0)
        kill(FImpl->Pid, SIGKILL);
}

void TChildOs::Stop() {
    if (FImpl->Pid > 0)
        kill(FImpl->Pid, SIGTERM);
}

std::size_t TChildOs::MostAtOnce() {
    // Here a running child holds the read ends of its two pipes (the one
    // being started its write ends too, for a moment); its port and all it
    // opens besides are its own process's. The program itself keeps some 20
    // descriptors: Reserve leaves room for those and the report and journal.
    constexpr rlim_t PerChild = 2, Reserve = 64;
    // A unit's process runs four threads, and the user's limit on tasks
    // counts the threads of all the user's processes: a run takes at most
    // half of it.
    constexpr rlim_t TasksPerChild = 4;
    rlim_t most = SIZE_MAX;
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        most = std::min(most, limit.rlim_cur > Reserve ? (limit.rlim_cur - Reserve) / PerChild : 0);
    if (getrlimit(RLIMIT_NPROC, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        most = std::min(most, limit.rlim_cur / 2 / TasksPerChild);
    return static_cast<std::size_t>(std::max<rlim_t>(most, 1));
}
