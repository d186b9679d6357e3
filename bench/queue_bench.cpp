// Post + take of single elements through the ring between two threads.
#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "queue/OutArray.h"

static void BM_PostTakeTwoThreads(benchmark::State& state) {
    TOutArray q;
    std::atomic<bool> stop{false};
    std::atomic<long> taken{0};
    std::thread consumer([&] {
        TOutElement* e = nullptr;
        while (!stop.load(std::memory_order_relaxed)) {
            if (q.Take(e))
                taken.fetch_add(1, std::memory_order_relaxed);
        }
        while (q.Take(e))
            taken.fetch_add(1, std::memory_order_relaxed);
    });
    long posted = 0;
    for (auto _ : state) {
        q.PostControlText(nullptr, "1234");
        ++posted;
    }
    stop = true;
    consumer.join();
    if (taken.load() != posted)
        state.SkipWithError("elements lost");
    state.SetItemsProcessed(posted);
}
BENCHMARK(BM_PostTakeTwoThreads)->UseRealTime();

static void BM_PostThenTakeOneThread(benchmark::State& state) {
    TOutArray q;
    TOutElement* e = nullptr;
    for (auto _ : state) {
        q.PostMemo("-> +v", true, false);
        q.Take(e);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PostThenTakeOneThread);
