// How orbelin-batch scales with the number of units: N simulated units
// provisioned in parallel (a verified write of a whole set with a per-unit
// object number each), for N = 1, 4 and 16. A unit is bound by the
// protocol's pauses (100 ms before every command, some 70 commands), not by
// the processor, so sixteen units should take hardly longer than one.
//
//     batch_bench
//
// Prints one figure per line:
//     seconds_N            wall time of the run of N units
//     units_per_minute_N   N / seconds_N * 60
//     parallel_ratio_16    seconds_16 / seconds_1

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "sim/Simulator.h"

namespace {

using TClock = std::chrono::steady_clock;

int Run(const std::string& Command) {
    const int status = std::system((Command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ObjectNumber(std::size_t Unit) {
    return std::to_string(1000 + Unit);
}

} // namespace

int main() {
    const std::string folder = "/tmp/batch_bench." + std::to_string(getpid());
    std::system(("mkdir -p " + folder).c_str());
    const std::string set = folder + "/set.ini";
    {
        TSimulator source;
        if (Run(std::string(ORB_BATCH) + " read --port " + source.SlavePath() + " --out " + set) !=
            0) {
            std::fprintf(stderr, "batch_bench: the set could not be read\n");
            return 1;
        }
    }
    double seconds[17] = {};
    for (const std::size_t n : {1u, 4u, 16u}) {
        std::vector<std::unique_ptr<TSimulator>> units;
        std::ofstream csv(folder + "/units.csv");
        csv << "port,etObjNum\n";
        for (std::size_t i = 0; i < n; ++i) {
            units.push_back(std::make_unique<TSimulator>());
            csv << units.back()->SlavePath() << "," << ObjectNumber(i) << "\n";
        }
        csv.close();
        const auto start = TClock::now();
        const int exit = Run(std::string(ORB_BATCH) + " write --in " + set + " --units " + folder +
                             "/units.csv --jobs 16 --home " + folder);
        seconds[n] = std::chrono::duration<double>(TClock::now() - start).count();
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
        std::printf("units_per_minute_%zu %.1f\n", n, n / seconds[n] * 60);
        std::fflush(stdout);
    }
    std::printf("parallel_ratio_16 %.3f\n", seconds[16] / seconds[1]);
    std::system(("rm -rf " + folder).c_str());
    return 0;
}
