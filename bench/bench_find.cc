// FindMedia over 100,000 items: one text node on titles, and three nodes
// (text, date, range) that must all match.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "mvdb.h"
#include "support/bench_database.h"

namespace {

FindCriteria Node(int32_t kind, int32_t target) {
    FindCriteria node{};
    node.criteriaSize = MVDB_FIND_CRITERIA_SIZE;
    node.criteriaKind = kind;
    node.criteriaTarget = target;
    node.combineRule = MVDB_COMBINE_REQUIRED;
    return node;
}

void BM_FindMediaOneTextNode(benchmark::State& state) {
    const int32_t items = static_cast<int32_t>(state.range(0));
    mvdb::bench::BenchDatabase db;
    db.WriteMediaFile(items);
    MVDB_HANDLE h = db.Open();
    // Titles are "Title <n>": "e 99" matches about one in a thousand.
    FindCriteria text = Node(MVDB_CRITERIA_TEXT, MVDB_TARGET_TITLE);
    text.matchMode = MVDB_MATCH_IGNORE_CASE | MVDB_MATCH_SKIP_IGNORABLE;
    std::snprintf(text.pattern, sizeof text.pattern, "E 99");
    for (auto _ : state) benchmark::DoNotOptimize(FindMedia(h, 0, &text, 0));
    state.SetItemsProcessed(state.iterations() * items);
}
BENCHMARK(BM_FindMediaOneTextNode)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FindMediaThreeNodes(benchmark::State& state) {
    const int32_t items = static_cast<int32_t>(state.range(0));
    mvdb::bench::BenchDatabase db;
    db.WriteMediaFile(items);
    MVDB_HANDLE h = db.Open();
    FindCriteria text = Node(MVDB_CRITERIA_TEXT, MVDB_TARGET_TITLE);
    text.matchMode = MVDB_MATCH_IGNORE_CASE;
    std::snprintf(text.pattern, sizeof text.pattern, "title");
    FindCriteria date = Node(MVDB_CRITERIA_DATE, MVDB_TARGET_FILETIME_A);
    date.timeTo = {0xFFFFFFFFu, 0x7FFFFFFFu};
    date.weekdayMask = 0xFE;
    FindCriteria range = Node(MVDB_CRITERIA_RANGE, 1);
    range.rangeMax = 0xFFFFFFFFu;
    text.next = &date;
    date.next = &range;
    for (auto _ : state) benchmark::DoNotOptimize(FindMedia(h, 0, &text, 0));
    state.SetItemsProcessed(state.iterations() * items);
}
BENCHMARK(BM_FindMediaThreeNodes)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
