// How much the link thread adds to an exchange, how soon it notices a reply's
// end mark, and what an idle connected link costs, against the in-process
// simulator with no reply delay; then the same exchanges from a plain
// pyserial script for comparison.
//
//     link_bench [exchanges=200] [idle seconds=10]
//
// Prints one figure per line:
//     exchange_overhead_ms  mean time per exchange beyond the 100 ms pause
//     end_mark_latency_ms   p99 from the simulator receiving the command (it
//                           answers at once, so this bounds the time from its
//                           last reply byte) to SendCommand returning
//     idle_cpu_percent      CPU of the whole process over the idle period
//     pyserial_overhead_ms  the first figure for the pyserial script

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <vector>

#include "device/DevOrbelin.h"
#include "sim/Simulator.h"

namespace {

using TClock = std::chrono::steady_clock;

double Ms(TClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The main window's timer: takes everything posted.
void DrainQueue(TOutArray& Out) {
    TOutElement* e = nullptr;
    while (Out.Take(e) != 0) {
    }
}

// Records when the simulator received each command.
class TArrivals {
public:
    void Add(TClock::time_point At) {
        std::lock_guard lock(FMutex);
        FTimes.push_back(At);
    }
    TClock::time_point At(std::size_t I) {
        std::lock_guard lock(FMutex);
        return I < FTimes.size() ? FTimes[I] : TClock::time_point{};
    }

private:
    std::mutex FMutex;
    std::vector<TClock::time_point> FTimes;
};

// The real device object, with one request of the bench's own: the exchanges.
class TBenchDevice : public TDevOrbelin {
public:
    static constexpr std::uint8_t rqBench = 200;

    TBenchDevice(TOutArray& Out, int Count, TArrivals& Arrivals)
        : TDevOrbelin(Out), FCount(Count), FArrivals(Arrivals) {}

    void Dispatch(std::uint8_t Code) override {
        if (Code != rqBench) {
            TDevOrbelin::Dispatch(Code);
            return;
        }
        RunExchanges();
        FModem->SetMode(rqIdle);
        std::lock_guard lock(FMutex);
        FDone = true;
        FDoneChanged.notify_all();
    }

    // Waits for the exchanges, letting Tick run every 50 ms meanwhile.
    void WaitDone(const std::function<void()>& Tick) {
        std::unique_lock lock(FMutex);
        while (
            !FDoneChanged.wait_for(lock, std::chrono::milliseconds(50), [this] { return FDone; }))
            Tick();
    }

    std::vector<double> Overheads;
    std::vector<double> Latencies;
    int Failures = 0;

private:
    void RunExchanges() {
        // The handshake's "+v" came first.
        const std::size_t first = 1;
        for (int i = 0; i < FCount; ++i) {
            std::string reply;
            const auto start = TClock::now();
            const bool failed = Exchange("+v", reply) != TExchangeResult::Answered;
            const auto end = TClock::now();
            if (failed) {
                ++Failures;
                continue;
            }
            Overheads.push_back(Ms(end - start) - 100.0);
            Latencies.push_back(Ms(end - FArrivals.At(first + static_cast<std::size_t>(i))));
        }
    }

    int FCount;
    TArrivals& FArrivals;
    std::mutex FMutex;
    std::condition_variable FDoneChanged;
    bool FDone = false;
};

// Drains the queue until the handshake succeeded.
bool WaitConnected(TOutArray& Out, TModem& Link) {
    for (;;) {
        TOutElement* e = nullptr;
        while (Out.Take(e) != 0)
            if (const auto* c = dynamic_cast<const TEventOut*>(e);
                c && c->Event.Kind == TUnitEvent::TKind::Connected)
                return true;
        if (Link.Finished())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

double Mean(const std::vector<double>& V) {
    double sum = 0;
    for (double x : V)
        sum += x;
    return V.empty() ? 0.0 : sum / static_cast<double>(V.size());
}

double P99(std::vector<double> V) {
    if (V.empty())
        return 0.0;
    std::sort(V.begin(), V.end());
    const auto rank = static_cast<std::size_t>(0.99 * static_cast<double>(V.size()) + 0.999999);
    return V[std::min(V.size(), std::max<std::size_t>(rank, 1)) - 1];
}

std::string PyserialLine(const std::string& Port, int Count) {
    const std::string command = std::string("/usr/bin/python3 ") + ORB_PYSERIAL_SCRIPT + " " +
                                Port + " " + std::to_string(Count);
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return "pyserial_overhead_ms nan";
    std::string out;
    char buf[256];
    while (fgets(buf, sizeof buf, p))
        out += buf;
    const int status = pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    if (status != 0 || !out.starts_with("pyserial_overhead_ms "))
        return "pyserial_overhead_ms nan";
    return out;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int idleSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;

    TArrivals arrivals;
    TSimOptions options;
    options.Trace = [&arrivals](std::string_view source, std::string_view bytes) {
        if (source == "unit" && bytes == "+v")
            arrivals.Add(TClock::now());
    };
    TSimulator sim(options);

    TOutArray out;
    TBenchDevice device(out, count, arrivals);
    auto link = std::make_unique<TModem>(sim.SlavePath(), "", out, device, false);
    device.SetModem(link.get());
    link->Resume();
    if (!WaitConnected(out, *link)) {
        std::fprintf(stderr, "the handshake with the simulator failed\n");
        return 1;
    }
    link->SetMode(TBenchDevice::rqBench);
    device.WaitDone([&] { DrainQueue(out); });
    if (device.Failures != 0)
        std::fprintf(stderr, "%d exchanges failed\n", device.Failures);

    // A connected, idle link over a cable: the device's idle step, the port's
    // event thread and the simulator. It posts nothing, so the queue can wait.
    const double cpuStart = CpuSeconds();
    const auto idleStart = TClock::now();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const double idleCpu = (CpuSeconds() - cpuStart) / (Ms(TClock::now() - idleStart) / 1000.0);

    link->Terminate();
    link->WaitFor();
    link.reset();
    DrainQueue(out);

    std::printf("exchange_overhead_ms %.3f\n", Mean(device.Overheads));
    std::printf("end_mark_latency_ms %.3f\n", P99(device.Latencies));
    std::printf("idle_cpu_percent %.3f\n", idleCpu * 100.0);
    std::fflush(stdout);
    std::printf("%s\n", PyserialLine(sim.SlavePath(), count).c_str());
    return device.Failures == 0 ? 0 : 1;
}
