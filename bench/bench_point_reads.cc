// A point read beside a whole scan: GetMediaInfo at random positions while
// another thread loops FindMedia over 100,000 items. Reports the latency of
// the point read (p50, p99, max) in microseconds; Arg 0 runs without the
// scanning thread, for comparison. A point read must never wait for a
// whole scan.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "mvdb.h"
#include "support/bench_database.h"

namespace {

constexpr int32_t kItems = 100000;

void BM_GetMediaInfoBesideFindMedia(benchmark::State& state) {
    const bool scanning = state.range(0) != 0;
    mvdb::bench::BenchDatabase db;
    db.WriteMediaFile(kItems);
    MVDB_HANDLE h = db.Open();

    std::atomic<bool> stop{false};
    std::atomic<int64_t> scans{0};
    std::thread scanner;
    if (scanning) {
        scanner = std::thread([&] {
            FindCriteria text = mvdb::bench::TitleTextNode("e 99");  // about one in a thousand
            while (!stop.load()) {
                FindMedia(h, 0, &text, 1);
                scans.fetch_add(1);
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(5));  // the scans are under way
    }

    std::vector<double> micros;
    uint32_t seed = 12345;
    MediaInfo out{};
    for (auto _ : state) {
        seed = seed * 1664525u + 1013904223u;
        const int32_t index = static_cast<int32_t>(seed % kItems);
        const auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(GetMediaInfo(h, index, &out));
        const auto end = std::chrono::steady_clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        // Spread the reads over the phases of the scans.
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        state.ResumeTiming();
    }
    stop = true;
    if (scanner.joinable()) scanner.join();

    std::sort(micros.begin(), micros.end());
    const auto at = [&micros](double q) { return micros[static_cast<size_t>(q * (micros.size() - 1))]; };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = micros.back();
    state.counters["scans"] = static_cast<double>(scans.load());
}
BENCHMARK(BM_GetMediaInfoBesideFindMedia)->Arg(0)->Arg(1)->Iterations(1000)->UseManualTime();

}  // namespace
