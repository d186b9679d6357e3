// orbelin-sim: the unit simulator on its own pseudo-terminal, for a person
// with a terminal program or for scripts. The first line on stdout is the
// port path.
#include <csignal>
#include <cstdio>
#include <exception>
#include <optional>
#include <pthread.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "DateTimeText.h"
#include "SimCommandLine.h"
#include "SimLink.h"
#include "Simulator.h"

int main(int argc, char** argv) {
    TSimCommandLine commandLine;
    if (const auto error =
            ParseSimCommandLine(std::vector<std::string>(argv + 1, argv + argc), commandLine)) {
        std::fprintf(stderr, "orbelin-sim: %s\n%s", error->c_str(), SimUsage().c_str());
        return 2;
    }
    if (commandLine.Help) {
        std::fputs(SimUsage().c_str(), stdout);
        return 0;
    }

    // Signals are taken by sigwait below; blocked before any thread starts so
    // the serving thread inherits the mask. SIGUSR1 is the line-drop notice.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    commandLine.Options.Trace = [](std::string_view source, std::string_view bytes) {
        std::fprintf(stderr, "%s %-5s <- %s\n", DateTimeText().c_str(), std::string(source).c_str(),
                     ReadableBytes(bytes).c_str());
    };
    commandLine.Options.OnLineDropped = [] { kill(getpid(), SIGUSR1); };

    try {
        TSimulator sim(commandLine.Options);
        ApplySimCommandLine(commandLine, sim);
        std::optional<TSimLink> link;
        if (!commandLine.LinkPath.empty())
            link.emplace(commandLine.LinkPath, sim.SlavePath());
        std::printf("%s\n", sim.SlavePath().c_str());
        std::fflush(stdout);
        std::fprintf(stderr, "orbelin-sim: unit revision %d (generation %d)%s%s%s\n",
                     sim.Unit().Revision(), sim.Unit().Generation(),
                     sim.HasModem() ? " behind a GSM modem" : "", link ? ", link " : "",
                     link ? link->Path().c_str() : "");
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
