// The workloads of the comparison, each run by mvdb, by SQLite and, where
// the machine sets a limit, by the plainest code that does the same work.
// Names are "<workload>/<side>"; peer_main.cc tables them.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "bench/peer/peer_world.h"
#include "frame/database_handle.h"
#include "platform/platform.h"
#include "storage/transaction.h"
#include "support/temp_folder.h"

namespace mvdb::peer {
namespace {

// Spreads lookups over the whole catalogue, always on items of the bench
// host (every index not divisible by 3).
// Durable changes timed per workload: enough for several checkpoints of
// each side, whose cost is part of what a change costs.
constexpr int kDurableChanges = 1500;

int32_t NextItem(int32_t* cursor) {
    *cursor = (*cursor + 7919) % kItems;
    if (*cursor % 3 != 0) return *cursor;
    return *cursor == 0 ? 1 : *cursor - 1;
}

void SearchMediaMvdb(benchmark::State& state) {
    MVDB_HANDLE h = World::Get().Handle();
    int32_t cursor = 0;
    for (auto _ : state) {
        const int32_t i = NextItem(&cursor);
        const MediaInfo& info = World::Get().elements()[static_cast<size_t>(i)].info;
        if (SearchMedia(h, info.location, "no such key") != i) state.SkipWithError("wrong answer");
    }
}

void SearchMediaSqlite(benchmark::State& state) {
    Statement query(
        World::Get().Sqlite(),
        "SELECT idx FROM media WHERE (location = ?1 COLLATE NOCASE OR keyName = ?2 COLLATE NOCASE)"
        " AND host = 'benchhost' COLLATE NOCASE AND (flags & 4) = 0 ORDER BY idx LIMIT 1");
    int32_t cursor = 0;
    for (auto _ : state) {
        const int32_t i = NextItem(&cursor);
        const MediaInfo& info = World::Get().elements()[static_cast<size_t>(i)].info;
        sqlite3_bind_text(query.get(), 1, info.location, -1, SQLITE_STATIC);
        sqlite3_bind_text(query.get(), 2, "no such key", -1, SQLITE_STATIC);
        if (sqlite3_step(query.get()) != SQLITE_ROW || sqlite3_column_int(query.get(), 0) != i) {
            state.SkipWithError("wrong answer");
        }
        sqlite3_reset(query.get());
    }
}

void LoginUserMvdb(benchmark::State& state) {
    MVDB_HANDLE h = World::Get().Handle();
    int32_t n = 0;
    for (auto _ : state) {
        n = (n + 7919) % kUsers;
        const std::string name = UserName(n);
        if (LoginUser(h, name.c_str(), UserPassword(n).c_str()) != 3) state.SkipWithError("login refused");
    }
}

void LoginUserSqlite(benchmark::State& state) {
    Statement query(World::Get().Sqlite(),
                    "SELECT password, level FROM users WHERE name = ?1 COLLATE NOCASE AND deleted = 0"
                    " ORDER BY idx LIMIT 1");
    int32_t n = 0;
    for (auto _ : state) {
        n = (n + 7919) % kUsers;
        const std::string name = "global\\" + UserName(n);
        const std::string password = UserPassword(n);
        sqlite3_bind_text(query.get(), 1, name.c_str(), -1, SQLITE_STATIC);
        int level = 1;
        if (sqlite3_step(query.get()) == SQLITE_ROW &&
            std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(query.get(), 0)),
                        password.c_str()) == 0) {
            level = sqlite3_column_int(query.get(), 1);
        }
        if (level != 3) state.SkipWithError("login refused");
        sqlite3_reset(query.get());
    }
}

// "e 99" occurs in the titles "Title 99", "Title 99<n>"...: 1,111 items.
constexpr char kTitlePattern[] = "e 99";
constexpr int32_t kTitleMatches = 1111;

void FindMediaMvdb(benchmark::State& state) {
    MVDB_HANDLE h = World::Get().Handle();
    FindCriteria text = bench::TitleTextNode(kTitlePattern);
    for (auto _ : state) {
        if (FindMedia(h, 0, &text, 0) != kTitleMatches) state.SkipWithError("wrong answer");
    }
}

void FindMediaSqlite(benchmark::State& state) {
    Statement query(World::Get().Sqlite(),
                    "SELECT element FROM media WHERE title LIKE '%e 99%' ORDER BY idx");
    std::vector<MediaElement> found;
    for (auto _ : state) {
        found.clear();
        while (sqlite3_step(query.get()) == SQLITE_ROW) {
            found.emplace_back();
            std::memcpy(&found.back(), sqlite3_column_blob(query.get(), 0), sizeof(MediaElement));
        }
        sqlite3_reset(query.get());
        if (found.size() != kTitleMatches) state.SkipWithError("wrong answer");
    }
}

void FindMediaLimit(benchmark::State& state) {
    const std::vector<MediaElement>& elements = World::Get().elements();
    for (auto _ : state) {
        int32_t found = 0;
        for (const MediaElement& e : elements) found += std::strstr(e.info.title, kTitlePattern) != nullptr;
        if (found != kTitleMatches) state.SkipWithError("wrong answer");
    }
}

constexpr int32_t kChanged = 45000;

void CheckChangedMvdb(benchmark::State& state) {
    MVDB_HANDLE h = World::Get().Handle();
    // The slot's memory is allocated once, by the first fill; the runs
    // measure the fills that follow, as SQLite's run its warm cache.
    CheckChangedData(h, kChangedSince, 1);
    for (auto _ : state) {
        if (CheckChangedData(h, kChangedSince, 1) != kChanged) state.SkipWithError("wrong answer");
    }
}

void CheckChangedSqlite(benchmark::State& state) {
    Statement query(World::Get().Sqlite(),
                    "SELECT element FROM media WHERE updateTime >= ?1 AND (flags & 4) = 0"
                    " AND host = 'benchhost' COLLATE NOCASE ORDER BY idx");
    std::vector<MediaElement> found;
    for (auto _ : state) {
        found.clear();
        sqlite3_bind_int(query.get(), 1, kChangedSince);
        while (sqlite3_step(query.get()) == SQLITE_ROW) {
            found.emplace_back();
            std::memcpy(&found.back(), sqlite3_column_blob(query.get(), 0), sizeof(MediaElement));
        }
        sqlite3_reset(query.get());
        if (found.size() != kChanged) state.SkipWithError("wrong answer");
    }
}

// Copying exactly the selected elements, nothing else.
void CheckChangedLimit(benchmark::State& state) {
    const std::vector<MediaElement>& elements = World::Get().elements();
    std::vector<int32_t> selected;
    for (int32_t i = kChangedSince; i < kItems; ++i) {
        if (i % 3 != 0) selected.push_back(i);
    }
    std::unique_ptr<MediaElement[]> found(new MediaElement[selected.size()]());
    for (auto _ : state) {
        MediaElement* out = found.get();
        for (int32_t i : selected)
            std::memcpy(out++, &elements[static_cast<size_t>(i)], sizeof(MediaElement));
        benchmark::DoNotOptimize(found.get());
        benchmark::ClobberMemory();
    }
}

// Opens and closes the database once an iteration, with use(handle) between.
template <typename Use>
void OpenUseClose(benchmark::State& state, Use&& use) {
    World::Get().CloseHandle();
    for (auto _ : state) {
        MVDB_HANDLE h = OpenMVDB();
        if (h == MVDB_INVALID_HANDLE) {
            state.SkipWithError("OpenMVDB failed");
            break;
        }
        use(h);
        CloseMVDB(h);
    }
}

void OpenMvdb(benchmark::State& state) {
    OpenUseClose(state, [&state](MVDB_HANDLE h) {
        if (GetMediaCount(h) != kItems) state.SkipWithError("wrong count");
    });
}

// An open followed by one text search, which reads every record: where
// the reading an open leaves out is paid.
void OpenAndScanMvdb(benchmark::State& state) {
    FindCriteria text = bench::TitleTextNode(kTitlePattern);
    OpenUseClose(state, [&state, &text](MVDB_HANDLE h) {
        if (FindMedia(h, 0, &text, 0) != kTitleMatches) state.SkipWithError("wrong answer");
    });
}

// read() of the three files into memory of their size.
void OpenLimit(benchmark::State& state) {
    for (auto _ : state) {
        for (const std::string& path : World::Get().databaseFiles()) {
            std::ifstream in(path, std::ios::binary | std::ios::ate);
            const auto size = static_cast<size_t>(in.tellg());
            std::unique_ptr<char[]> buffer(new char[size]);
            in.seekg(0);
            in.read(buffer.get(), static_cast<std::streamsize>(size));
            benchmark::DoNotOptimize(buffer.get());
        }
    }
}

// Adds, one exported call each, into the open 100,000-item catalogue;
// reported per add.
void AddMvdb(benchmark::State& state) {
    MVDB_HANDLE h = World::Get().Handle();
    MediaInfo info{};
    for (auto _ : state) {
        info = bench::BenchMediaItem(kItems);
        if (AddMediaInfo(h, &info) < 0) state.SkipWithError("add failed");
    }
}

// 100,000 inserts into a fresh database in one transaction.
void AddSqlite(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        test::TempFolder folder;
        sqlite3* db = OpenPeerDatabase(folder / "add.sqlite");
        state.ResumeTiming();
        InsertItems(db, kItems);
        sqlite3_close(db);
    }
}

// 100,000 items brought into a fresh database by the bulk import, one
// change, until the handle is closed (SQLite's side closes its database too).
void ImportMvdb(benchmark::State& state) {
    World::Get().CloseHandle();
    // Each fresh database points MVDB_REGISTRY elsewhere and unsets it when
    // it goes; the workloads after this one reopen the world's database.
    const char* worldRegistry = std::getenv("MVDB_REGISTRY");
    const std::string restore = worldRegistry != nullptr ? worldRegistry : "";
    ImportBatch batch;
    batch.media.reserve(kItems);
    for (int32_t i = 0; i < kItems; ++i) batch.media.push_back(bench::BenchMediaItem(i));
    for (auto _ : state) {
        state.PauseTiming();
        auto db = std::make_unique<bench::BenchDatabase>();
        MVDB_HANDLE h = db->Open();
        state.ResumeTiming();
        DatabaseHandle* handle = FromHandle(h);
        int32_t rc = MVDB_ERR_INVALID;
        if (handle != nullptr) {
            Transaction change(handle->journal());
            rc = handle->catalogue().Import(batch, ImportMode::kAppend, nullptr);
            if (rc == 0) rc = change.Commit();
        }
        if (rc != 0) state.SkipWithError("import failed");
        db->Close();  // the journal's checkpoint
        state.PauseTiming();
        db.reset();
        if (!restore.empty()) ::setenv("MVDB_REGISTRY", restore.c_str(), 1);
        state.ResumeTiming();
    }
}

// One insert per transaction into the 100,000-item SQLite database (WAL,
// synchronous=FULL): SQLite's durable commit of one item, the peer of one
// AddMediaInfo. Reported per insert; the rows are removed afterwards.
void DurableAddSqlite(benchmark::State& state) {
    sqlite3* db = World::Get().Sqlite();
    Statement insert(db,
                     "INSERT INTO media(idx, title, location, keyName, host, updateTime, flags,"
                     " categoryId, element) VALUES(?,?,?,?,?,?,?,?,?)");
    MediaElement element{};
    int32_t next = kItems + 1000000;
    const int32_t first = next;
    for (auto _ : state) {
        element.info = bench::BenchMediaItem(next);
        sqlite3_stmt* s = insert.get();
        BindMediaRow(s, next++, element);
        if (sqlite3_step(s) != SQLITE_DONE) state.SkipWithError(sqlite3_errmsg(db));
        sqlite3_reset(s);
    }
    // After the timed loop: not counted.
    const std::string cleanup = "DELETE FROM media WHERE idx >= " + std::to_string(first);
    Exec(db, cleanup.c_str());
}

// The disk's floor for a durable change: one write of a frame's size into
// space allocated beforehand, then one flush, with nothing else around it.
// No commit that is durable on its own can cost less.
void DurableWriteLimit(benchmark::State& state) {
    constexpr size_t kFrameBytes = 1276;  // an add's frame: one media record and the count
    constexpr uint64_t kSpace = 1 << 20;
    test::TempFolder folder;
    std::unique_ptr<platform::File> file = platform::Files().OpenBuffered(folder / "floor.bin");
    const std::vector<uint8_t> zeros(kSpace, 0);
    if (!file || file->WriteAt(0, zeros.data(), zeros.size()) != static_cast<int64_t>(kSpace) ||
        !file->Sync()) {
        state.SkipWithError("cannot prepare the file");
        return;
    }
    const std::vector<uint8_t> frame(kFrameBytes, 'f');
    uint64_t offset = 0;
    for (auto _ : state) {
        if (file->WriteAt(offset, frame.data(), frame.size()) != static_cast<int64_t>(frame.size()) ||
            !file->Sync()) {
            state.SkipWithError("write failed");
        }
        offset = offset + 2 * kFrameBytes > kSpace ? 0 : offset + kFrameBytes;
    }
}

// Replaces, one exported call each, of items spread over the catalogue: the
// new title and time, the same names. Reported per replace.
void DurableReplaceMvdb(benchmark::State& state) {
    MVDB_HANDLE h = World::Get().Handle();
    int32_t cursor = 11;
    for (auto _ : state) {
        const int32_t i = NextItem(&cursor);
        MediaInfo info = World::Get().elements()[static_cast<size_t>(i)].info;
        std::snprintf(info.title, sizeof info.title, "Replaced %d", i);
        if (ReplaceMediaInfo(h, i, &info) != 0) state.SkipWithError("replace failed");
    }
}

// SQLite's durable commit of the same replace: one UPDATE of the whole row
// per transaction.
void DurableReplaceSqlite(benchmark::State& state) {
    sqlite3* db = World::Get().Sqlite();
    Statement update(db,
                     "UPDATE media SET title = ?2, location = ?3, keyName = ?4, host = ?5, updateTime = ?6,"
                     " flags = ?7, categoryId = ?8, element = ?9 WHERE idx = ?1");
    int32_t cursor = 11;
    MediaElement element{};
    for (auto _ : state) {
        const int32_t i = NextItem(&cursor);
        element = World::Get().elements()[static_cast<size_t>(i)];
        std::snprintf(element.info.title, sizeof element.info.title, "Replaced %d", i);
        sqlite3_stmt* s = update.get();
        BindMediaRow(s, i, element);
        if (sqlite3_step(s) != SQLITE_DONE || sqlite3_changes(db) != 1) state.SkipWithError("update failed");
        sqlite3_reset(s);
    }
}

// Deletes, one exported call each, of items spread over the catalogue. Run
// last: the deleted items stay deleted. Reported per delete.
void DurableDeleteMvdb(benchmark::State& state) {
    MVDB_HANDLE h = World::Get().Handle();
    int32_t cursor = 23;
    for (auto _ : state) {
        if (DelMediaInfo(h, NextItem(&cursor)) != 0) state.SkipWithError("delete failed");
    }
}

// SQLite's durable commit of the same delete: one DELETE of the row per
// transaction.
void DurableDeleteSqlite(benchmark::State& state) {
    sqlite3* db = World::Get().Sqlite();
    Statement remove(db, "DELETE FROM media WHERE idx = ?1");
    int32_t cursor = 23;
    for (auto _ : state) {
        sqlite3_bind_int(remove.get(), 1, NextItem(&cursor));
        if (sqlite3_step(remove.get()) != SQLITE_DONE || sqlite3_changes(db) != 1)
            state.SkipWithError("delete failed");
        sqlite3_reset(remove.get());
    }
}

}  // namespace

void PrepareWorld() { World::Get(); }

void RegisterWorkloads() {
    using benchmark::kMicrosecond;
    using benchmark::kMillisecond;
    benchmark::RegisterBenchmark("SearchMedia/mvdb", SearchMediaMvdb)->Unit(kMicrosecond);
    benchmark::RegisterBenchmark("SearchMedia/sqlite", SearchMediaSqlite)->Unit(kMicrosecond);
    benchmark::RegisterBenchmark("LoginUser/mvdb", LoginUserMvdb)->Unit(kMicrosecond);
    benchmark::RegisterBenchmark("LoginUser/sqlite", LoginUserSqlite)->Unit(kMicrosecond);
    benchmark::RegisterBenchmark("FindMedia/mvdb", FindMediaMvdb)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("FindMedia/sqlite", FindMediaSqlite)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("FindMedia/limit", FindMediaLimit)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("CheckChangedData/mvdb", CheckChangedMvdb)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("CheckChangedData/sqlite", CheckChangedSqlite)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("CheckChangedData/limit", CheckChangedLimit)->Unit(kMillisecond);
    benchmark::RegisterBenchmark("OpenMVDB/mvdb", OpenMvdb)->Unit(kMillisecond)->MinTime(2.0);
    benchmark::RegisterBenchmark("OpenMVDB/limit", OpenLimit)->Unit(kMillisecond)->MinTime(2.0);
    benchmark::RegisterBenchmark("OpenAndScan/mvdb", OpenAndScanMvdb)->Unit(kMillisecond)->MinTime(2.0);
    // A durable workload: kDurableChanges changes, reported per change.
    const auto durable = [](const char* name, void (*workload)(benchmark::State&)) {
        benchmark::RegisterBenchmark(name, workload)->Unit(kMicrosecond)->Iterations(kDurableChanges);
    };
    durable("Add/mvdb", AddMvdb);
    durable("DurableAdd/sqlite", DurableAddSqlite);
    durable("DurableWrite/limit", DurableWriteLimit);
    benchmark::RegisterBenchmark("Import/mvdb", ImportMvdb)->Unit(kMillisecond)->Iterations(2);
    benchmark::RegisterBenchmark("Add/sqlite", AddSqlite)->Unit(kMillisecond)->Iterations(2);
    // Each side changes kDurableChanges distinct items once.
    durable("DurableReplace/mvdb", DurableReplaceMvdb);
    durable("DurableReplace/sqlite", DurableReplaceSqlite);
    durable("DurableDelete/mvdb", DurableDeleteMvdb);
    durable("DurableDelete/sqlite", DurableDeleteSqlite);
}

}  // namespace mvdb::peer
