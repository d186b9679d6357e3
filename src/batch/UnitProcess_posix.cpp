#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "batch/UnitProcess.h"

extern char** environ;

namespace {
// What of a unit's stderr is kept for its report.
constexpr std::size_t ErrorsKept = 4096;
} // namespace

struct TUnitProcess::TImpl {
    TLine OnLine;
    TEnd OnEnd;
    pid_t Pid = -1;
    int Out = -1;
    int Err = -1;
    std::unique_ptr<QSocketNotifier> OutWatch, ErrWatch;
    std::string Pending;
    std::string Errors;

    // Reads what is there; false at the end of the pipe.
    bool ReadFrom(int Fd, std::string& Into) {
        char buffer[4096];
        const ssize_t n = read(Fd, buffer, sizeof buffer);
        if (n <= 0)
            return n < 0 && (errno == EAGAIN || errno == EINTR);
        Into.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    void OutReady() {
        const bool open = ReadFrom(Out, Pending);
        for (std::size_t nl; (nl = Pending.find('\n')) != std::string::npos;) {
            const std::string line = Pending.substr(0, nl);
            Pending.erase(0, nl + 1);
            OnLine(line);
        }
        if (!open)
            Close(OutWatch, Out);
    }

    void ErrReady() {
        std::string more;
        const bool open = ReadFrom(Err, more);
        if (Errors.size() < ErrorsKept)
            Errors += more.substr(0, ErrorsKept - Errors.size());
        if (!open)
            Close(ErrWatch, Err);
    }

    void Close(std::unique_ptr<QSocketNotifier>& Watch, int& Fd) {
        Watch->setEnabled(false);
        Watch.release()->deleteLater();
        close(Fd);
        Fd = -1;
        if (Out >= 0 || Err >= 0)
            return;
        // Both pipes are closed: the process has ended or is ending.
        int status = 0;
        while (waitpid(Pid, &status, 0) < 0 && errno == EINTR) {
        }
        Pid = -1;
        if (!Pending.empty())
            OnLine(Pending);
        if (WIFEXITED(status))
            OnEnd(WEXITSTATUS(status), false, Errors);
        else
            OnEnd(WIFSIGNALED(status) ? WTERMSIG(status) : -1, true, Errors);
    }
};

TUnitProcess::TUnitProcess(TLine OnLine, TEnd OnEnd) : FImpl(std::make_unique<TImpl>()) {
    FImpl->OnLine = std::move(OnLine);
    FImpl->OnEnd = std::move(OnEnd);
}

TUnitProcess::~TUnitProcess() {
    if (FImpl->Pid > 0) {
        kill(FImpl->Pid, SIGKILL);
        waitpid(FImpl->Pid, nullptr, 0);
    }
    FImpl->OutWatch.reset();
    FImpl->ErrWatch.reset();
    for (int fd : {FImpl->Out, FImpl->Err})
        if (fd >= 0)
            close(fd);
}

bool TUnitProcess::Start(const std::string& Program, const std::vector<std::string>& Args) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return false;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> all{Program};
    all.insert(all.end(), Args.begin(), Args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc =
        posix_spawn(&FImpl->Pid, Program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (rc != 0) {
        FImpl->Pid = -1;
        close(out[0]);
        close(err[0]);
        return false;
    }
    FImpl->Out = out[0];
    FImpl->Err = err[0];
    for (int fd : {out[0], err[0]})
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    TImpl* impl = FImpl.get();
    FImpl->OutWatch = std::make_unique<QSocketNotifier>(out[0], QSocketNotifier::Read);
    QObject::connect(FImpl->OutWatch.get(), &QSocketNotifier::activated,
                     [impl] { impl->OutReady(); });
    FImpl->ErrWatch = std::make_unique<QSocketNotifier>(err[0], QSocketNotifier::Read);
    QObject::connect(FImpl->ErrWatch.get(), &QSocketNotifier::activated,
                     [impl] { impl->ErrReady(); });
    return true;
}
