// Power cuts and failing disks: a scripted workload that makes every kind of
// change runs over a recording file layer; the disk is then rebuilt as a
// crash at each recorded operation would leave it (everything written;
// only what was flushed; a random part of the rest with the last write cut
// at a sector), and each state must open, hold every acknowledged change,
// show no change half done and pass the file check. The same workload runs
// with an I/O error, and with a full disk, from each operation on: a change
// answered as done must be on the disk, and a change answered as failed
// must leave memory as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <sstream>

#include "crash/disk_model.h"
#include "crash/recording_files.h"
#include "format/journal_frame.h"
#include "frame/database_handle.h"
#include "storage/transaction.h"
#include "support/records.h"
#include "support/temp_folder.h"
#include "support/test_database.h"
#if defined(MVDB_CRASH_WITH_CHECK)
#include "cli/file_checker.h"
#endif

namespace mvdb {
namespace {

namespace fs = std::filesystem;

// Everything a caller can see of the database, with the clock fields out.
std::string Digest(MVDB_HANDLE db) {
    std::ostringstream out;
    DBAccount account{};
    out << "account " << GetDBAccount(db, &account) << account.userName << "/" << account.password << "\n";
    const int32_t categories = GetCategoryCount(db);
    out << "categories " << categories << "\n";
    for (int32_t p = 0; p < categories; ++p) {
        CategoryInfo c{};
        const int32_t rc = GetCategoryInfo(db, p, &c);
        out << p << ":" << rc;
        if (rc == 0)
            out << ":" << c.categoryId << ":" << c.categoryName << ":" << c.parentId << ":" << c.accessFlags;
        out << "\n";
    }
    const int32_t media = GetMediaCount(db);
    out << "media " << media << "\n";
    for (int32_t i = 0; i < media; ++i) {
        MediaInfo m{};
        const int32_t rc = GetMediaInfo(db, i, &m);
        out << i << ":" << rc;
        if (rc != 0) {
            out << "\n";
            continue;
        }
        m.updateTime = 0;
        out << ":" << m.title << ":" << m.location << ":" << m.categoryId << ":" << m.mediaFlags << ":"
            << m.propertyA << ":" << CheckAddInfo(db, i);
        for (int32_t n = 0; n < 8; ++n) {
            int32_t size = 0;
            int32_t type = 0;
            const int32_t typeRc = GetAddInfoType(db, i, n, &size, &type);
            if (typeRc != 0 || size <= 0) continue;
            std::string bytes(static_cast<size_t>(size) + 1, '\0');
            const int32_t got = GetAddInfo(db, i, n, bytes.data());
            out << " piece" << n << "(" << size << "," << type << "," << got << ","
                << std::hash<std::string>()(bytes) << ")";
        }
        out << "\n";
    }
    const int32_t clients = GetClientCount(db);
    out << "clients " << clients << "\n";
    for (int32_t i = 0; i < clients; ++i) {
        ClientInfo c{};
        const int32_t rc = GetClientInfo(db, i, &c);
        out << i << ":" << rc;
        if (rc == 0) out << ":" << c.clientName << ":" << c.clientFlags;
        out << "\n";
    }
    const int32_t users = CheckUser(db, 0);
    out << "users " << users << "\n";
    for (int32_t i = 0; i < users; ++i) {
        DBAccount u{};
        out << GetCheckedUser(db, i, &u, 0) << ":" << u.userName << ":" << u.userLevel << "\n";
    }
    return out.str();
}

std::string Bytes(size_t n, char seed) {
    std::string bytes(n, '\0');
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(seed + i * 7);
    return bytes;
}

// One change of the workload; its result is kept for later steps.
struct Step {
    const char* what;
    std::function<int32_t(MVDB_HANDLE, std::vector<int32_t>&)> run;
};

int32_t SetPiece(MVDB_HANDLE db, int32_t item, int32_t number, size_t size, char seed) {
    const std::string bytes = Bytes(size, seed);
    return SetAddInfo(db, item, number, static_cast<int32_t>(size), number, bytes.data());
}

// The bulk import as the tool runs it: one change around the catalogue's.
int32_t BulkImport(MVDB_HANDLE h, const ImportBatch& batch) {
    DatabaseHandle* db = FromHandle(h);
    Transaction change(db->journal());
    const int32_t result = db->catalogue().Import(batch, ImportMode::kAppend, nullptr);
    return result != 0 ? result : change.Commit();
}

// Results: r[0] category A, r[1] category B, r[2] item 1, r[3] item 2 ...
std::vector<Step> Workload() {
    return {
        {"add category",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) {
             CategoryInfo c = test::Category("Films", 0);
             return r[0] = AddCategoryInfo(db, &c);
         }},
        {"add subcategory",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) {
             CategoryInfo c = test::Category("Old films", r[0]);
             return r[1] = AddCategoryInfo(db, &c);
         }},
        {"add item",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) {
             MediaInfo m = test::Media("one", r[0]);
             return r[2] = AddMediaInfo(db, &m);
         }},
        {"add item in subcategory",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) {
             MediaInfo m = test::Media("two", r[1]);
             return r[3] = AddMediaInfo(db, &m);
         }},
        {"put piece",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) { return SetPiece(db, r[2], 0, 700, 'a'); }},
        {"replace piece",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) { return SetPiece(db, r[2], 0, 1500, 'b'); }},
        {"second piece",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) { return SetPiece(db, r[3], 1, 300, 'c'); }},
        {"replace item",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) {
             MediaInfo m = test::Media("one, renamed", r[0]);
             return ReplaceMediaInfo(db, r[2], &m);
         }},
        {"modify item",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) {
             MediaInfo m{};
             m.recordIndex = r[3];
             m.categoryId = -1;
             m.propertyA = 42;
             return ModifyMediaInfo(db, &m);
         }},
        {"delete piece", [](MVDB_HANDLE db, std::vector<int32_t>& r) { return DelAddInfo(db, r[2], 0); }},
        {"add client",
         [](MVDB_HANDLE db, std::vector<int32_t>&) {
             ClientInfo c{};
             std::strcpy(c.clientName, "livingroom");
             return AddClientInfo(db, &c);
         }},
        {"add user",
         [](MVDB_HANDLE db, std::vector<int32_t>&) {
             DBAccount a{};
             std::strcpy(a.userName, "alice");
             std::strcpy(a.password, "pw");
             a.passwordLength = 2;
             a.userLevel = 3;
             return AddUser(db, &a);
         }},
        {"set account",
         [](MVDB_HANDLE db, std::vector<int32_t>&) {
             DBAccount a{};
             std::strcpy(a.userName, "admin");
             std::strcpy(a.password, "secret");
             return SetDBAccount(db, &a);
         }},
        {"delete item with piece",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) { return DelMediaInfo(db, r[3]); }},
        {"replace category",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) {
             CategoryInfo c = test::Category("Movies", 0);
             return ReplaceCategoryInfo(db, r[0], &c);
         }},
        {"delete subcategory",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) { return DelCategoryInfo(db, r[1], 1); }},
        {"add item with piece",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) {
             MediaInfo m = test::Media("three");
             r[4] = AddMediaInfo(db, &m);
             return r[4];
         }},
        {"its piece",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) { return SetPiece(db, r[4], 2, 2000, 'd'); }},
        {"clear media", [](MVDB_HANDLE db, std::vector<int32_t>&) { return ClearMediaInfo(db); }},
        {"bulk import after clear",
         [](MVDB_HANDLE db, std::vector<int32_t>&) {
             // Appended items go straight into the media file past its
             // count, over slots that frames from before the clear wrote.
             ImportBatch batch;
             for (const char* title : {"bulk a", "bulk b", "bulk c"})
                 batch.media.push_back(test::Media(title));
             ClientInfo c{};
             std::strcpy(c.clientName, "kitchen");
             batch.clients.push_back(c);
             return BulkImport(db, batch);
         }},
        {"add after clear",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) {
             MediaInfo m = test::Media("four");
             r[5] = AddMediaInfo(db, &m);
             return r[5];
         }},
        {"piece after clear",
         [](MVDB_HANDLE db, std::vector<int32_t>& r) { return SetPiece(db, r[5], 0, 100, 'e'); }},
        {"initialize", [](MVDB_HANDLE db, std::vector<int32_t>&) { return InitializeDB(db); }},
        {"add after initialize",
         [](MVDB_HANDLE db, std::vector<int32_t>&) {
             MediaInfo m = test::Media("five");
             return AddMediaInfo(db, &m);
         }},
    };
}

class CrashTest : public test::DatabaseTest {
protected:
    // Empties the database's folders (not the lock folder) and writes `state`.
    void Materialize(const test::DiskState& state) {
        for (const std::string& folder : {folder_.path().string(), infoFolder()}) {
            if (!fs::exists(folder)) continue;
            for (const auto& entry : fs::directory_iterator(folder)) {
                // Only the database's files: the registry stand-in lives here too.
                if (entry.is_regular_file() && entry.path().filename().string().rfind("MVDB", 0) == 0) {
                    fs::remove(entry.path());
                }
            }
        }
        fs::create_directories(infoFolder());
        for (const auto& [path, content] : state) test::WriteFileBytes(path, content);
    }

    // Problems the file check finds in the closed database, one per line.
    std::string CheckFindings() {
#if defined(MVDB_CRASH_WITH_CHECK)
        cli::CheckOptions options;
        options.files = {categoryFile(), mediaFile(), clientFile()};
        options.infoFolder = infoFolder();
        const cli::TextCodec codec(1252);
        const cli::CheckReport report = cli::CheckFiles(options, codec);
        std::string findings;
        for (const cli::Finding& f : report.findings) findings += f.file + ": " + f.message + "\n";
        for (const cli::CheckedFile& f : report.files) {
            if (!f.error.empty()) findings += f.path + ": " + f.error + "\n";
        }
        return findings;
#else
        return std::string();
#endif
    }

    // Files left behind that no clean close leaves: the journal, temporaries.
    std::string Leftovers() {
        std::string left;
        if (fs::exists(folder_ / format::kJournalFileName)) left += "journal ";
        for (const auto& entry : fs::directory_iterator(infoFolder())) {
            if (format::IsTempInfoName(entry.path().filename().string()))
                left += entry.path().filename().string() + " ";
        }
        return left;
    }
};

TEST_F(CrashTest, EveryCrashStateOpensWithEveryAcknowledgedChangeAndNoHalfChange) {
    const std::vector<Step> steps = Workload();
    test::RecordingFiles recording;
    std::vector<std::string> snapshots;  // snapshots[k]: after k steps
    std::vector<size_t> acknowledgedAt;  // operations done when step k returned
    {
        test::ScopedFiles scope(recording);
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        snapshots.push_back(Digest(db.get()));
        acknowledgedAt.push_back(recording.OpCount());
        std::vector<int32_t> results(8, 0);
        for (const Step& step : steps) {
            ASSERT_GE(step.run(db.get(), results), 0) << step.what;
            acknowledgedAt.push_back(recording.OpCount());
            snapshots.push_back(Digest(db.get()));
        }
    }
    const std::vector<test::FileOp> ops = recording.Ops();
    // A fresh open of nothing is the state before the first step.
    const std::string opened = snapshots[0];

    test::UnflushedFiles unflushed;
    std::mt19937 random(20261210);
    size_t states = 0;
    std::vector<std::string> failures;
    test::DiskModel disk(ops);
    for (size_t boundary = 0; boundary <= ops.size(); disk.Advance(), ++boundary) {
        // Steps acknowledged before this operation must all be there; the
        // one in flight is there whole or not at all.
        size_t done = 0;
        while (done + 1 < acknowledgedAt.size() && acknowledgedAt[done + 1] <= boundary) ++done;
        const bool inOpen = boundary < acknowledgedAt[0];
        for (test::CrashKind kind : {test::CrashKind::kKill, test::CrashKind::kPowerCut,
                                     test::CrashKind::kTornCut, test::CrashKind::kTornCut}) {
            Materialize(disk.State(kind, random));
            ++states;
            std::string digest;
            {
                test::ScopedFiles quick(unflushed);
                test::OpenDatabase db;
                if (!db.ok()) {
                    failures.push_back("op " + std::to_string(boundary) + ": does not open");
                    continue;
                }
                digest = Digest(db.get());
            }
            const bool matches = digest == snapshots[done] ||
                                 (done + 1 < snapshots.size() && digest == snapshots[done + 1]) ||
                                 (inOpen && digest == opened);
            if (!matches) {
                failures.push_back("op " + std::to_string(boundary) + " kind " +
                                   std::to_string(static_cast<int>(kind)) + " after step " +
                                   std::to_string(done) + ": state differs:\n" + digest + "\nexpected:\n" +
                                   snapshots[done]);
            }
            const std::string findings = CheckFindings();
            if (!findings.empty())
                failures.push_back("op " + std::to_string(boundary) + ": check: " + findings);
            const std::string left = Leftovers();
            if (!left.empty()) failures.push_back("op " + std::to_string(boundary) + ": left " + left);
        }
        if (failures.size() > 5) break;
    }
    RecordProperty("states", static_cast<int>(states));
    std::cout << "[ crash ] " << ops.size() << " operations, " << states << " states, " << failures.size()
              << " failures\n";
    for (const std::string& f : failures) ADD_FAILURE() << f;
}

// Runs the workload with `fault` from operation `at` on: every change
// answered as done survives a reopen on a sound disk, every change answered
// as failed left memory as it was. Returns a description of what broke.
std::string RunWithFault(test::RecordingFiles& files, test::Fault fault, size_t at, bool* faultHit) {
    const std::vector<Step> steps = Workload();
    std::string broken;
    std::string memory;
    {
        test::ScopedFiles scope(files);
        test::OpenDatabase db;
        if (!db.ok()) return "does not open";
        std::vector<int32_t> results(8, 0);
        files.InjectFault(fault, at);
        for (const Step& step : steps) {
            const std::string before = Digest(db.get());
            const int32_t rc = step.run(db.get(), results);
            if (rc == MVDB_ERR_WRITE && Digest(db.get()) != before) {
                broken += std::string(step.what) + " failed but changed memory; ";
            }
        }
        memory = Digest(db.get());
        *faultHit = files.OpCount() > 0;
        db.Close();
        files.ClearFault();
    }
    test::UnflushedFiles unflushed;
    test::ScopedFiles quick(unflushed);
    test::OpenDatabase db;
    if (!db.ok()) return broken + "does not reopen";
    if (Digest(db.get()) != memory) {
        broken += "reopened database differs from what the calls answered:\n" + Digest(db.get()) +
                  "\nmemory:\n" + memory;
    }
    return broken;
}

TEST_F(CrashTest, FailingWritesNeverLoseAnAcknowledgedChange) {
    // How many change operations the workload makes after the open.
    size_t total = 0;
    {
        test::RecordingFiles counting;
        bool hit = false;
        ASSERT_EQ(RunWithFault(counting, test::Fault::kIoError, SIZE_MAX, &hit), "");
        total = counting.OpCount();
    }
    Materialize({});
    size_t runs = 0;
    std::vector<std::string> failures;
    for (test::Fault fault : {test::Fault::kIoError, test::Fault::kDiskFull}) {
        for (size_t at = 0; at < total; ++at) {
            Materialize({});
            test::RecordingFiles files;
            bool hit = false;
            const std::string broken = RunWithFault(files, fault, at, &hit);
            ++runs;
            if (!broken.empty()) {
                failures.push_back((fault == test::Fault::kIoError ? "EIO at " : "full disk at ") +
                                   std::to_string(at) + ": " + broken);
            }
            if (failures.size() > 5) break;
        }
    }
    std::cout << "[ faults ] " << runs << " runs, " << failures.size() << " failures\n";
    for (const std::string& f : failures) ADD_FAILURE() << f;
}

}  // namespace
}  // namespace mvdb
