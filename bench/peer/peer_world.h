// The data both sides of the peer comparison work on: the same 100,000
// generated media items and 10,000 users, in an mvdb database and in an
// SQLite database (WAL, synchronous=FULL, an index per looked-up column).
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/media_element.h"
#include "mvdb.h"
#include "support/bench_database.h"

namespace mvdb::peer {

inline constexpr int32_t kItems = 100000;
inline constexpr int32_t kUsers = 10000;
// Changes since this time select 45,000 of the items: two in three of the
// 67,500 newer items belong to the bench host.
inline constexpr int32_t kChangedSince = kItems - 67500;

// "user<n>" and its plain password.
std::string UserName(int32_t n);
std::string UserPassword(int32_t n);

// A prepared statement, finalised with the object.
class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    sqlite3_stmt* get() const { return stmt_; }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

// An SQLite database in `path` with the media and user tables and their
// indexes, empty.
sqlite3* OpenPeerDatabase(const std::string& path);
// Inserts items [0, count) in one transaction.
// Binds the nine columns of one media row (index, names, time, flags,
// category and the whole element) to an insert statement.
void BindMediaRow(sqlite3_stmt* s, int32_t index, const MediaElement& element);
void InsertItems(sqlite3* db, int32_t count);
void InsertUsers(sqlite3* db, int32_t count);
void Exec(sqlite3* db, const char* sql);

class World {
public:
    static World& Get();

    // The open mvdb handle over the generated files (opened on demand).
    MVDB_HANDLE Handle();
    // Closes the handle so that a benchmark can open the database itself.
    void CloseHandle();
    sqlite3* Sqlite() const { return sqlite_; }
    const std::string& folder() const { return folder_; }
    const std::vector<std::string>& databaseFiles() const { return files_; }
    // The generated items as an array in memory, for the limits.
    const std::vector<MediaElement>& elements() const { return elements_; }

private:
    World();
    bench::BenchDatabase db_;
    MVDB_HANDLE handle_ = MVDB_INVALID_HANDLE;
    sqlite3* sqlite_ = nullptr;
    std::string folder_;
    std::vector<std::string> files_;
    std::vector<MediaElement> elements_;
};

}  // namespace mvdb::peer
