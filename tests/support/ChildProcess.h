#pragma once
// A program of this build run as a child process, for tests of the
// executables from start to exit (POSIX only): TChildProcess with its stdout
// and stderr on pipes, to talk to it while it runs. (A test that runs a
// program to its end on every system uses the batch's own TUnitProcess.)

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

// argv for posix_spawn: the program, then its arguments; points into All.
inline std::vector<char*> SpawnArgv(std::vector<std::string>& All) {
    std::vector<char*> argv;
    for (std::string& a : All)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

class TChildProcess {
public:
    // OwnGroup: in a process group of its own, as a terminal's foreground
    // job is, so that Signal can reach it and everything it started.
    TChildProcess(const std::string& program, const std::vector<std::string>& args,
                  bool OwnGroup = false) {
        int out[2], err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe2");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<std::string> all{program};
        all.insert(all.end(), args.begin(), args.end());
        const std::vector<char*> argv = SpawnArgv(all);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        FOwnGroup = OwnGroup;
        // The stop signals as a terminal gives them, whatever the suite was
        // started from: a shell's background job ignores SIGINT, and a
        // program keeps a signal it was started ignoring ignored.
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
            sigaddset(&defaults, s);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
        short flags = POSIX_SPAWN_SETSIGDEF;
        if (OwnGroup) {
            posix_spawnattr_setpgroup(&attributes, 0);
            flags |= POSIX_SPAWN_SETPGROUP;
        }
        posix_spawnattr_setflags(&attributes, flags);
        const int rc =
            posix_spawn(&FPid, program.c_str(), &actions, &attributes, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        close(out[1]);
        close(err[1]);
        FOut = out[0];
        FErr = err[0];
        if (rc != 0)
            throw std::runtime_error("posix_spawn");
    }
    ~TChildProcess() {
        if (FPid > 0) {
            kill(FOwnGroup ? -FPid : FPid, SIGKILL);
            waitpid(FPid, nullptr, 0);
        }
        if (FOut >= 0)
            close(FOut);
        close(FErr);
    }
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    std::string StdoutLine(int timeoutMs = 5000) {
        std::string line;
        char c;
        while (Readable(FOut, timeoutMs) && read(FOut, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }
    // Its stdout's reader goes away (as a pipe's reader that Ctrl+C ended).
    void CloseStdout() {
        close(FOut);
        FOut = -1;
    }
    // Waits for the exit (stdout, or stderr once stdout is closed, closes
    // with it), at most timeoutMs without output: the exit code, 128 + the
    // signal that ended it, or -1.
    int ExitCode(int timeoutMs = 5000) {
        char buf[256];
        const int fd = FOut >= 0 ? FOut : FErr;
        while (Readable(fd, timeoutMs))
            if (const ssize_t n = read(fd, buf, sizeof buf); n > 0 && fd == FErr) {
                FErrRead.append(buf, static_cast<size_t>(n));
            } else if (n <= 0) {
                int status = 0;
                waitpid(FPid, &status, 0);
                FPid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
        return -1;
    }
    std::string Stderr() {
        std::string all = FErrRead;
        char buf[4096];
        ssize_t n;
        while (Readable(FErr, 1000) && (n = read(FErr, buf, sizeof buf)) > 0)
            all.append(buf, static_cast<size_t>(n));
        return all;
    }
    pid_t Pid() const { return FPid; }

private:
    static bool Readable(int fd, int timeoutMs) {
        pollfd p{fd, POLLIN, 0};
        return poll(&p, 1, timeoutMs) > 0;
    }
    pid_t FPid = -1;
    int FOut = -1;
    int FErr = -1;
    std::string FErrRead; // what ExitCode read of stderr
    bool FOwnGroup = false;
};
