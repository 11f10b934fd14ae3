#include "bench/peer/peer_world.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/platform.h"
#include "storage/account.h"
#include "support/container_bytes.h"
#include "support/temp_folder.h"

namespace mvdb::peer {

std::string UserName(int32_t n) {
    char name[32];
    std::snprintf(name, sizeof name, "user%05d", n);
    return name;
}

std::string UserPassword(int32_t n) {
    char password[32];
    std::snprintf(password, sizeof password, "pw%05d", n);
    return password;
}

void Exec(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "sqlite3_exec failed";
        sqlite3_free(error);
        throw std::runtime_error(message + ": " + sql);
    }
}

Statement::Statement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
        throw std::runtime_error(std::string(sqlite3_errmsg(db)) + ": " + sql);
    }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

sqlite3* OpenPeerDatabase(const std::string& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("sqlite3_open failed");
    Exec(db, "PRAGMA journal_mode=WAL");
    Exec(db, "PRAGMA synchronous=FULL");
    Exec(db,
         "CREATE TABLE media(idx INTEGER PRIMARY KEY, title TEXT, location TEXT, keyName TEXT,"
         " host TEXT, updateTime INTEGER, flags INTEGER, categoryId INTEGER, element BLOB)");
    Exec(db, "CREATE INDEX media_location ON media(location COLLATE NOCASE)");
    Exec(db, "CREATE INDEX media_key ON media(keyName COLLATE NOCASE)");
    Exec(db, "CREATE INDEX media_update ON media(updateTime)");
    Exec(db,
         "CREATE TABLE users(idx INTEGER PRIMARY KEY, name TEXT, password TEXT, level INTEGER,"
         " deleted INTEGER)");
    Exec(db, "CREATE INDEX users_name ON users(name COLLATE NOCASE)");
    return db;
}

void BindMediaRow(sqlite3_stmt* s, int32_t index, const MediaElement& element) {
    const MediaInfo& info = element.info;
    sqlite3_bind_int(s, 1, index);
    sqlite3_bind_text(s, 2, info.title, -1, SQLITE_STATIC);
    sqlite3_bind_text(s, 3, info.location, -1, SQLITE_STATIC);
    sqlite3_bind_text(s, 4, info.keyName, -1, SQLITE_STATIC);
    sqlite3_bind_text(s, 5, info.hostName, -1, SQLITE_STATIC);
    sqlite3_bind_int(s, 6, info.updateTime);
    sqlite3_bind_int(s, 7, static_cast<int>(info.mediaFlags));
    sqlite3_bind_int(s, 8, info.categoryId);
    sqlite3_bind_blob(s, 9, &element, sizeof element, SQLITE_STATIC);
}

void InsertItems(sqlite3* db, int32_t count) {
    Exec(db, "BEGIN");
    {
        Statement insert(db,
                         "INSERT INTO media(idx, title, location, keyName, host, updateTime, flags,"
                         " categoryId, element) VALUES(?,?,?,?,?,?,?,?,?)");
        MediaElement element{};
        for (int32_t i = 0; i < count; ++i) {
            element.info = bench::BenchMediaItem(i);
            sqlite3_stmt* s = insert.get();
            BindMediaRow(s, i, element);
            if (sqlite3_step(s) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
            sqlite3_reset(s);
        }
    }
    Exec(db, "COMMIT");
}

void InsertUsers(sqlite3* db, int32_t count) {
    Exec(db, "BEGIN");
    {
        Statement insert(db, "INSERT INTO users(idx, name, password, level, deleted) VALUES(?,?,?,3,0)");
        for (int32_t i = 0; i < count; ++i) {
            const std::string name = "global\\" + UserName(i);
            const std::string password = UserPassword(i);
            sqlite3_bind_int(insert.get(), 1, i);
            sqlite3_bind_text(insert.get(), 2, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert.get(), 3, password.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(insert.get()) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
            sqlite3_reset(insert.get());
        }
    }
    Exec(db, "COMMIT");
}

namespace {

// The mvdb client file: the same 10,000 users, passwords scrambled.
void WriteUserFile(const std::string& path, int32_t count) {
    std::vector<ClientInfo> all(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        ClientInfo& r = all[static_cast<size_t>(i)];
        r.recordSize = sizeof r;
        r.recordIndex = i;
        std::snprintf(r.clientName, sizeof r.clientName, "global\\%s", UserName(i).c_str());
        DBAccount user{};
        std::snprintf(user.password, sizeof user.password, "%s", UserPassword(i).c_str());
        user.passwordLength = static_cast<int32_t>(std::strlen(user.password));
        user.userLevel = 3;
        ScrambleAccount(&user);
        std::memcpy(r.clientData3, user.password, sizeof user.password);
        std::memcpy(r.clientData3 + 60, &user.passwordLength, 4);
        std::memcpy(r.clientData3 + 64, &user.userLevel, 4);
    }
    test::WriteFileBytes(path, test::ContainerBytes(DBAccount{}, count, test::RecordBytes(all)));
}

}  // namespace

World& World::Get() {
    static World world;
    return world;
}

World::World() {
    const std::string media = db_.WriteMediaFile(kItems);
    WriteUserFile(db_.clientFile(), kUsers);
    folder_ = std::filesystem::path(media).parent_path().string();
    // The first open writes the default category file.
    Handle();
    files_ = {media, db_.clientFile(), (std::filesystem::path(folder_) / "MVDBCAT.db").string()};

    const std::string bytes = test::ReadFileBytes(media);
    elements_.resize(kItems);
    std::memcpy(elements_.data(), bytes.data() + 174, elements_.size() * sizeof(MediaElement));

    sqlite_ = OpenPeerDatabase((std::filesystem::path(folder_) / "peer.sqlite").string());
    InsertItems(sqlite_, kItems);
    InsertUsers(sqlite_, kUsers);

    // Everything the set-up wrote reaches the disk now, so that no timed
    // commit or checkpoint of either side pays for writing it back.
    Exec(sqlite_, "PRAGMA wal_checkpoint(TRUNCATE)");
    std::vector<std::string> written = files_;
    written.push_back((std::filesystem::path(folder_) / "peer.sqlite").string());
    for (const std::string& path : written) {
        std::unique_ptr<platform::File> file = platform::OpenBuffered(path);
        if (!file || !file->Sync()) throw std::runtime_error("cannot flush " + path);
    }
}

MVDB_HANDLE World::Handle() {
    if (handle_ != MVDB_INVALID_HANDLE) return handle_;
    handle_ = OpenMVDB();
    // An open reads records only when they are first used, and the first
    // lookup builds the indexes. A server pays that once, on its first
    // calls; the timed workloads measure the catalogue after it, as SQLite
    // is measured on a warm cache.
    // A name lookup reads every record of its catalogue to index it.
    if (handle_ != MVDB_INVALID_HANDLE) {
        ClientInfo client{};
        SearchMedia(handle_, "warm-up", "warm-up");
        GetClientInfoByName(handle_, "warm-up", &client);
    }
    return handle_;
}

void World::CloseHandle() {
    if (handle_ != MVDB_INVALID_HANDLE) CloseMVDB(handle_);
    handle_ = MVDB_INVALID_HANDLE;
}

}  // namespace mvdb::peer
