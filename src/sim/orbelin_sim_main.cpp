// orbelin-sim: the unit simulator on its own pseudo-terminal, for a person
// with a terminal program or for scripts. The first line on stdout is the
// port path; once it is out, the links and the control line are ready.
#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <pthread.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "sim/SimCommandLine.h"
#include "sim/SimControl.h"
#include "sim/SimHost.h"
#include "sim/SimLink.h"
#include "toolkit/DateTimeText.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    TSimCommandLine commandLine;
    if (const auto error = ParseSimCommandLine(args, commandLine)) {
        std::fprintf(stderr, "orbelin-sim: %s\n%s", error->c_str(), SimUsage().c_str());
        return 2;
    }
    if (commandLine.Help) {
        std::fputs(SimUsage().c_str(), stdout);
        return 0;
    }

    // Signals are taken by sigwait below; blocked before any thread starts so
    // the serving threads inherit the mask. SIGUSR1 is the line-drop notice.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    const auto trace = [](std::string_view source, std::string_view bytes) {
        std::fprintf(stderr, "%s %-5s <- %s\n", DateTimeText().c_str(), std::string(source).c_str(),
                     ReadableBytes(bytes).c_str());
    };
    // With a control line a dropped line is only the end of one test: the
    // next "reset" brings a fresh one. Without, it ends the run.
    const bool controlled = !commandLine.ControlPath.empty();
    const auto dropped = [controlled] {
        if (controlled)
            std::fprintf(stderr, "orbelin-sim: the line dropped\n");
        else
            kill(getpid(), SIGUSR1);
    };

    try {
        TSimHost host(args, trace, dropped);
        std::unique_ptr<TSimControl> control;
        std::optional<TSimLink> controlLink;
        if (controlled) {
            control = std::make_unique<TSimControl>(
                [&host](const std::string& line) { return host.Control(line); });
            controlLink.emplace(commandLine.ControlPath, control->SlavePath());
        }
        // Announced last: a script that has read the port line finds the
        // links and the control line ready.
        std::fprintf(stderr, "orbelin-sim: %s%s%s\n", host.Describe().c_str(),
                     controlLink ? ", control line " : "",
                     controlLink ? controlLink->Path().c_str() : "");
        std::printf("%s\n", host.SlavePath().c_str());
        std::fflush(stdout);
        int signal = 0;
        sigwait(&signals, &signal);
        if (signal == SIGUSR1)
            std::fprintf(stderr, "orbelin-sim: the line dropped\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "orbelin-sim: %s\n", e.what());
        return 1;
    }
    return 0;
}
