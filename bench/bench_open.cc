// Opening a database whose media file holds many elements: the load reads
// the element area in large blocks.
#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>

#include "mvdb.h"
#include "support/bench_database.h"

namespace {

void BM_OpenMediaFile(benchmark::State& state) {
    const int32_t elements = static_cast<int32_t>(state.range(0));
    mvdb::bench::BenchDatabase db;
    db.WriteMediaFile(elements);
    for (auto _ : state) {
        MVDB_HANDLE handle = OpenMVDB();
        if (handle == MVDB_INVALID_HANDLE) {
            state.SkipWithError("OpenMVDB failed");
            break;
        }
        benchmark::DoNotOptimize(handle);
        CloseMVDB(handle);
    }
    state.SetBytesProcessed(state.iterations() * (174 + int64_t{elements} * 1224));
}
BENCHMARK(BM_OpenMediaFile)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same bytes read by a plain sequential read, as `cat` would.
void BM_ReadMediaFileWhole(benchmark::State& state) {
    const int32_t elements = static_cast<int32_t>(state.range(0));
    mvdb::bench::BenchDatabase db;
    const std::string path = db.WriteMediaFile(elements);
    std::vector<char> buffer(128 * 1024);
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * (174 + int64_t{elements} * 1224));
}
BENCHMARK(BM_ReadMediaFileWhole)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
