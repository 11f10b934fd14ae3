// The media operations on catalogues of 1,000 and 100,000 items. Adds are
// written through to the disk; the queries run from memory.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "mvdb.h"
#include "support/bench_database.h"

namespace {

// One open database over a media file of `items` items.
class MediaFixture {
public:
    explicit MediaFixture(int32_t items) {
        db_.WriteMediaFile(items);
        db_.Open();
    }
    MVDB_HANDLE get() { return db_.Open(); }
    bool ok() { return get() != MVDB_INVALID_HANDLE; }

private:
    mvdb::bench::BenchDatabase db_;
};

void BM_AddMediaInfo(benchmark::State& state) {
    MediaFixture db(static_cast<int32_t>(state.range(0)));
    if (!db.ok()) return state.SkipWithError("open failed");
    MediaInfo info{};
    std::snprintf(info.title, sizeof info.title, "new item");
    for (auto _ : state) {
        info.hostName[0] = '\0';
        benchmark::DoNotOptimize(AddMediaInfo(db.get(), &info));
    }
}
BENCHMARK(BM_AddMediaInfo)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_CheckChangedData(benchmark::State& state) {
    const int32_t items = static_cast<int32_t>(state.range(0));
    MediaFixture db(items);
    if (!db.ok()) return state.SkipWithError("open failed");
    // Half the items are newer than this; two in three are this host's.
    for (auto _ : state) benchmark::DoNotOptimize(CheckChangedData(db.get(), items / 2, 0));
    state.SetItemsProcessed(state.iterations() * items);
}
BENCHMARK(BM_CheckChangedData)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_CheckCategorizedData(benchmark::State& state) {
    const int32_t items = static_cast<int32_t>(state.range(0));
    MediaFixture db(items);
    if (!db.ok()) return state.SkipWithError("open failed");
    for (auto _ : state) benchmark::DoNotOptimize(CheckCategorizedData(db.get(), 0, 1));
    state.SetItemsProcessed(state.iterations() * items);
}
BENCHMARK(BM_CheckCategorizedData)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_SearchMedia(benchmark::State& state) {
    const int32_t items = static_cast<int32_t>(state.range(0));
    MediaFixture db(items);
    if (!db.ok()) return state.SkipWithError("open failed");
    // A miss scans the whole catalogue.
    for (auto _ : state)
        benchmark::DoNotOptimize(SearchMedia(db.get(), "\\\\store\\media\\none.mpg", "none"));
    state.SetItemsProcessed(state.iterations() * items);
}
BENCHMARK(BM_SearchMedia)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_GetMediaInfo(benchmark::State& state) {
    const int32_t items = static_cast<int32_t>(state.range(0));
    MediaFixture db(items);
    if (!db.ok()) return state.SkipWithError("open failed");
    MediaInfo out;
    int32_t index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetMediaInfo(db.get(), index, &out));
        index = (index + 7919) % items;
    }
}
BENCHMARK(BM_GetMediaInfo)->Arg(1000)->Arg(100000);

}  // namespace

// What a search must at least do: one caseless comparison of the location
// and one of the key name per item, over the same items held in an array.
#include <cstring>
#include <vector>

#include "media/media_element.h"
#include "platform/platform.h"
#include "support/temp_folder.h"

namespace {

void BM_CaselessPassBaseline(benchmark::State& state) {
    const int32_t items = static_cast<int32_t>(state.range(0));
    mvdb::bench::BenchDatabase db;
    const std::string bytes = mvdb::test::ReadFileBytes(db.WriteMediaFile(items));
    std::vector<mvdb::MediaElement> elements(static_cast<size_t>(items));
    std::memcpy(elements.data(), bytes.data() + 174, elements.size() * sizeof(mvdb::MediaElement));
    const auto codePage = mvdb::platform::CurrentCodePage();
    for (auto _ : state) {
        int32_t found = -1;
        for (size_t i = 0; i < elements.size(); ++i) {
            const MediaInfo& info = elements[i].info;
            if (codePage->CompareNoCase(info.location, "\\\\store\\media\\none.mpg") == 0 ||
                codePage->CompareNoCase(info.keyName, "none") == 0) {
                found = static_cast<int32_t>(i);
                break;
            }
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * items);
}
BENCHMARK(BM_CaselessPassBaseline)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
