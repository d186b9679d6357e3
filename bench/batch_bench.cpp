// How orbelin-batch scales with the number of units: N simulated units
// provisioned in parallel (a verified write of a whole set with a per-unit
// object number each) with the default options, for N = 1, 16 and 64. A
// unit is bound by the protocol's pauses (100 ms before every command, some
// 70 commands), not by the processor, so 64 units should take hardly longer
// than one.
//
//     batch_bench [PROGRAM [OPTION...]]
//
// PROGRAM: another build of orbelin-batch (an earlier one, to compare);
// OPTIONs are added to its write command (--jobs 16).
//
// Prints one figure per line:
//     seconds_N            wall time of the run of N units
//     cpu_seconds_N        processor time of orbelin-batch and its units'
//                          processes (the simulated units are not in it)
//     units_per_minute_N   N / seconds_N * 60
//     parallel_ratio_N     seconds_N / seconds_1

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sim/Simulator.h"

namespace {

using TClock = std::chrono::steady_clock;

int Run(const std::string& Command) {
    const int status = std::system((Command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// User and system time of every child process waited for so far, the
// children's own children included.
double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::string ObjectNumber(std::size_t Unit) {
    return std::to_string(1000 + Unit);
}

} // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 1 ? argv[1] : ORB_BATCH;
    std::string options;
    for (int i = 2; i < argc; ++i)
        options += std::string(" ") + argv[i];
    const std::string folder = "/tmp/batch_bench." + std::to_string(getpid());
    std::system(("mkdir -p " + folder).c_str());
    const std::string set = folder + "/set.ini";
    {
        TSimulator source;
        if (Run(program + " read --port " + source.SlavePath() + " --out " + set) != 0) {
            std::fprintf(stderr, "batch_bench: the set could not be read\n");
            return 1;
        }
    }
    std::map<std::size_t, double> seconds;
    for (const std::size_t n : {1u, 16u, 64u}) {
        std::vector<std::unique_ptr<TSimulator>> units;
        std::ofstream csv(folder + "/units.csv");
        csv << "port,etObjNum\n";
        for (std::size_t i = 0; i < n; ++i) {
            units.push_back(std::make_unique<TSimulator>());
            csv << units.back()->SlavePath() << "," << ObjectNumber(i) << "\n";
        }
        csv.close();
        const double cpuBefore = ChildrenCpuSeconds();
        const auto start = TClock::now();
        const int exit = Run(program + " write --in " + set + " --units " + folder +
                             "/units.csv --home " + folder + options);
        seconds[n] = std::chrono::duration<double>(TClock::now() - start).count();
        const double cpu = ChildrenCpuSeconds() - cpuBefore;
        for (std::size_t i = 0; i < n; ++i)
            if (units[i]->Unit().Value("etObjNum") != ObjectNumber(i)) {
                std::fprintf(stderr, "batch_bench: unit %zu of %zu not written (exit %d)\n", i, n,
                             exit);
                return 1;
            }
        if (exit != 0) {
            std::fprintf(stderr, "batch_bench: %zu units, exit %d\n", n, exit);
            return 1;
        }
        std::printf("seconds_%zu %.3f\n", n, seconds[n]);
        std::printf("cpu_seconds_%zu %.3f\n", n, cpu);
        std::printf("units_per_minute_%zu %.1f\n", n, n / seconds[n] * 60);
        if (n > 1)
            std::printf("parallel_ratio_%zu %.3f\n", n, seconds[n] / seconds[1]);
        std::fflush(stdout);
    }
    std::system(("rm -rf " + folder).c_str());
    return 0;
}
