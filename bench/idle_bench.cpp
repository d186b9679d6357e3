// What the whole program costs at rest: the real orbelin, started as an
// operator starts it, against the simulated unit on a pseudo-terminal, with
// the CPU time of every one of its threads read from /proc over ten seconds
// in each of three states:
//
//   dialog     just started: the connection dialog greets the operator
//   connected  connected by cable (--connect), nothing asked of the unit
//   after walk a read of every page done (--read-all), its closing message up
//
//     idle_bench [SECONDS [PROGRAM]]
//
// PROGRAM: another build of orbelin to measure (an earlier one, to compare).
// Runs on the offscreen platform, and once more on a virtual X server when
// Xvfb is installed (those lines begin with "xvfb_"; xvfb_server_cpu_percent
// is the X server's own cost while the program sits connected). Prints one
// figure per line:
//     idle_dialog_cpu_percent       percent of one core, all threads
//     idle_connected_cpu_percent
//     idle_after_walk_cpu_percent
//     window_shown_ms   start of the process to the window on the screen, as
//                       the wire sees it: a window told to connect opens its
//                       port once shown, and its first command follows the
//                       link's mandated 100 ms pause, which is taken off
//     rss_kib           resident memory while connected

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "sim/Simulator.h"

extern char** environ;

namespace {

using TClock = std::chrono::steady_clock;

// A child process with extra environment entries; ended with SIGTERM.
class TChild {
public:
    TChild(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
        std::vector<std::string> env(extraEnv);
        for (char** e = environ; *e; ++e) {
            const std::string entry(*e);
            const std::string key = entry.substr(0, entry.find('=') + 1);
            bool replaced = false;
            for (const std::string& x : extraEnv)
                replaced = replaced || x.rfind(key, 0) == 0;
            if (!replaced)
                env.push_back(entry);
        }
        std::vector<char*> args, envp;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        for (const std::string& e : env)
            envp.push_back(const_cast<char*>(e.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        // The program's own chatter is not the bench's output.
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        Start = TClock::now();
        const int rc = posix_spawn(&FPid, args[0], &actions, nullptr, args.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    }
    ~TChild() { Stop(); }
    TChild(const TChild&) = delete;
    TChild& operator=(const TChild&) = delete;

    pid_t Pid() const { return FPid; }
    bool Running() const { return FPid > 0 && waitpid(FPid, nullptr, WNOHANG) == 0; }
    // SIGTERM, then SIGKILL when it has not ended within five seconds.
    void Stop() {
        if (FPid <= 0)
            return;
        kill(FPid, SIGTERM);
        const auto deadline = TClock::now() + std::chrono::seconds(5);
        while (waitpid(FPid, nullptr, WNOHANG) == 0) {
            if (TClock::now() > deadline) {
                std::fprintf(stderr, "idle_bench: pid %d ignored SIGTERM\n", int(FPid));
                kill(FPid, SIGKILL);
                waitpid(FPid, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        FPid = -1;
    }

    TClock::time_point Start;

private:
    pid_t FPid = -1;
};

// CPU time of each thread of the process, in nanoseconds, by thread id (the
// first field of each thread's schedstat: finer than the clock ticks of stat).
std::map<std::string, double> ThreadCpuNs(pid_t pid) {
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    DIR* d = opendir(dir.c_str());
    if (!d)
        throw std::runtime_error("no " + dir);
    std::map<std::string, double> threads;
    while (const dirent* e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        std::ifstream f(dir + "/" + e->d_name + "/schedstat");
        double ns = 0;
        if (f >> ns)
            threads[e->d_name] = ns;
    }
    closedir(d);
    return threads;
}

double CpuNs(pid_t pid) {
    double total = 0;
    for (const auto& [thread, ns] : ThreadCpuNs(pid))
        total += ns;
    return total;
}

// Percent of one core the process used over the next Seconds: what each
// thread alive at the end used since the start (or since it began). A
// thread that ends meanwhile (Qt's pool lets an idle worker go after 30 s)
// takes its whole time out of a plain sum; its last moments are lost here.
double CpuPercent(pid_t pid, int seconds) {
    const auto before = ThreadCpuNs(pid);
    const auto start = TClock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    double used = 0;
    for (const auto& [thread, ns] : ThreadCpuNs(pid)) {
        const auto was = before.find(thread);
        used += ns - (was == before.end() ? 0 : was->second);
    }
    const double wall = std::chrono::duration<double, std::nano>(TClock::now() - start).count();
    return 100.0 * used / wall;
}

long RssKib(pid_t pid) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(f, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// A program folder of its own, with the window at its design size (without
// a layout file a first start opens maximised).
class THome {
public:
    THome() {
        char pattern[] = "/tmp/orbelin-idle-XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("no temporary folder");
        FPath = pattern;
        std::ofstream(FPath + "/Windows.ini")
            << "[Form1]\r\nxForm.Left=40\r\nxForm.Top=40\r\nxForm.Height=622\r\n"
               "xForm.Width=817\r\nxForm.WindowState=0\r\n";
    }
    ~THome() { std::system(("rm -rf '" + FPath + "'").c_str()); }
    THome(const THome&) = delete;
    THome& operator=(const THome&) = delete;
    const std::string& Path() const { return FPath; }

private:
    std::string FPath;
};

std::string ProgramPath = ORB_ORBELIN_EXE;

struct TPlatform {
    std::string Prefix;             // of the printed names
    std::vector<std::string> Env;   // how the program reaches its screen
    std::optional<pid_t> ServerPid; // the X server, when there is one
};

struct TRun {
    TSimulator Sim;
    THome Home;
    std::unique_ptr<TChild> Program;
};

std::unique_ptr<TRun> Start(const TPlatform& platform, const std::string& start) {
    auto run = std::make_unique<TRun>();
    std::vector<std::string> argv{ProgramPath, "--home", run->Home.Path(), "--port",
                                  run->Sim.SlavePath()};
    if (!start.empty())
        argv.push_back(start);
    run->Program = std::make_unique<TChild>(argv, platform.Env);
    return run;
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "idle_bench: %s\n", what.c_str());
    std::exit(1);
}

void Measure(const TPlatform& platform, int seconds) {
    const std::string& p = platform.Prefix;
    {
        auto run = Start(platform, "");
        std::this_thread::sleep_for(std::chrono::seconds(2));
        if (!run->Program->Running())
            Fail("the program ended at start");
        std::printf("%sidle_dialog_cpu_percent %.3f\n", p.c_str(),
                    CpuPercent(run->Program->Pid(), seconds));
    }
    {
        auto run = Start(platform, "--connect");
        if (!run->Sim.Unit().WaitForCommands(1, 20000))
            Fail("the program did not connect");
        const double shown =
            std::chrono::duration<double, std::milli>(TClock::now() - run->Program->Start).count() -
            100.0;
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        const pid_t pid = run->Program->Pid();
        std::optional<double> server;
        const double serverBefore = platform.ServerPid ? CpuNs(*platform.ServerPid) : 0;
        const auto t0 = TClock::now();
        const double cpu = CpuPercent(pid, seconds);
        if (platform.ServerPid)
            server = 100.0 * (CpuNs(*platform.ServerPid) - serverBefore) /
                     std::chrono::duration<double, std::nano>(TClock::now() - t0).count();
        std::printf("%sidle_connected_cpu_percent %.3f\n", p.c_str(), cpu);
        if (server)
            std::printf("%sserver_cpu_percent %.3f\n", p.c_str(), *server);
        std::printf("%swindow_shown_ms %.1f\n", p.c_str(), shown);
        std::printf("%srss_kib %ld\n", p.c_str(), RssKib(pid));
    }
    {
        auto run = Start(platform, "--read-all");
        // The version check, then every read of a generation-0 unit.
        if (!run->Sim.Unit().WaitForCommands(1 + 34, 60000))
            Fail("the program did not read all");
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        std::printf("%sidle_after_walk_cpu_percent %.3f\n", p.c_str(),
                    CpuPercent(run->Program->Pid(), seconds));
    }
    std::fflush(stdout);
}

// An X server of its own on a free display; its number comes back on a pipe.
std::unique_ptr<TChild> StartXvfb(std::string& display) {
    int fds[2];
    if (pipe(fds) != 0)
        return nullptr;
    auto server = std::make_unique<TChild>(
        std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", std::to_string(fds[1]), "-screen",
                                 "0", "1280x900x24", "-nolisten", "tcp"},
        std::vector<std::string>{});
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (number.empty())
        return nullptr;
    display = ":" + number;
    return server;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    if (seconds < 1)
        Fail("usage: idle_bench [SECONDS [PROGRAM]]");
    if (argc > 2)
        ProgramPath = argv[2];
    try {
        Measure({.Prefix = "", .Env = {"QT_QPA_PLATFORM=offscreen"}, .ServerPid = {}}, seconds);
        if (access("/usr/bin/Xvfb", X_OK) == 0) {
            std::string display;
            auto server = StartXvfb(display);
            if (!server)
                Fail("Xvfb did not start");
            Measure({.Prefix = "xvfb_",
                     .Env = {"QT_QPA_PLATFORM=xcb", "DISPLAY=" + display},
                     .ServerPid = server->Pid()},
                    seconds);
        }
    } catch (const std::exception& e) {
        Fail(e.what());
    }
    return 0;
}
