// The bulk import below the exports: a whole batch as one change that keeps
// every rule of the single changes (category access, names, indexes), is
// refused whole when one record is wrong, and leaves memory and files as
// they were when its commit fails.
#include "catalogue/bulk_import.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <sstream>

#include "frame/database_handle.h"
#include "storage/transaction.h"
#include "support/substitute_files.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

MediaInfo Item(const std::string& title, int32_t category = 0) {
    MediaInfo info{};
    std::snprintf(info.title, sizeof info.title, "%s", title.c_str());
    std::snprintf(info.location, sizeof info.location, "/media/%s.ts", title.c_str());
    std::snprintf(info.keyName, sizeof info.keyName, "key-%s", title.c_str());
    info.categoryId = category;
    return info;
}

ClientInfo Client(const std::string& name) {
    ClientInfo record{};
    std::snprintf(record.clientName, sizeof record.clientName, "%s", name.c_str());
    return record;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A journal whose flushes fail while `failSyncs` is set.
class FailingJournalFiles : public test::ForwardingFiles {
public:
    class File : public platform::File {
    public:
        File(std::unique_ptr<platform::File> inner, const std::atomic<bool>& fail)
            : inner_(std::move(inner)), fail_(fail) {}
        int64_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
            return inner_->ReadAt(offset, buffer, n);
        }
        int64_t WriteAt(uint64_t offset, const void* data, size_t n) override {
            return inner_->WriteAt(offset, data, n);
        }
        int64_t Size() override { return inner_->Size(); }
        bool Sync() override { return !fail_ && inner_->Sync(); }
        bool TryLockRange(uint64_t offset, uint64_t length) override {
            return inner_->TryLockRange(offset, length);
        }

    private:
        std::unique_ptr<platform::File> inner_;
        const std::atomic<bool>& fail_;
    };
    std::unique_ptr<platform::File> OpenExclusive(const std::string& path) override {
        std::unique_ptr<platform::File> inner = ForwardingFiles::OpenExclusive(path);
        if (!inner) return nullptr;
        return std::make_unique<File>(std::move(inner), failSyncs);
    }
    std::atomic<bool> failSyncs{false};
};

class BulkImportTest : public test::DatabaseTest {
protected:
    void SetUp() override { UseFolder(); }

    // Runs the import as the tool's bulk path does: one change around it.
    static int32_t Import(MVDB_HANDLE h, const ImportBatch& batch, ImportMode mode,
                          ImportRefusal* refusal = nullptr) {
        DatabaseHandle* db = FromHandle(h);
        Transaction change(db->journal());
        const int32_t result = db->catalogue().Import(batch, mode, refusal);
        if (result != 0) return result;
        return change.Commit();
    }
};

TEST_F(BulkImportTest, AppendedItemsFollowTheLastAndAreFoundAndKept) {
    int32_t before = 0;
    {
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        before = GetMediaCount(db.get());
        // A deleted slot is not reused by an import: the file's order stays.
        MediaInfo doomed = Item("doomed");
        const int32_t slot = AddMediaInfo(db.get(), &doomed);
        ASSERT_EQ(DelMediaInfo(db.get(), slot), 0);
        ++before;
        ImportBatch batch;
        for (int i = 0; i < 500; ++i) batch.media.push_back(Item("film" + std::to_string(i)));
        MediaInfo gone = Item("gone");
        gone.mediaFlags = MVDB_MEDIA_DELETED;
        batch.media.push_back(gone);  // deleted lines are skipped when appending
        batch.clients = {Client("tv-box"), Client("radio")};
        ASSERT_EQ(Import(db.get(), batch, ImportMode::kAppend), 0);
        EXPECT_EQ(GetMediaCount(db.get()), before + 500);
        EXPECT_EQ(SearchMedia(db.get(), "/media/film499.ts", nullptr), before + 499);
        EXPECT_EQ(SearchMedia(db.get(), nullptr, "KEY-FILM7"), before + 7);
        EXPECT_EQ(SearchMedia(db.get(), "/media/gone.ts", nullptr), MVDB_ERR_NOT_FOUND);
        ClientInfo client{};
        EXPECT_EQ(GetClientInfoByName(db.get(), "RADIO", &client), 0);
        EXPECT_EQ(client.recordIndex, 1);
    }
    // Durable: a fresh open reads the same.
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    ASSERT_EQ(GetMediaCount(db.get()), before + 500);
    MediaInfo info{};
    ASSERT_EQ(GetMediaInfo(db.get(), before + 250, &info), 0);
    EXPECT_STREQ(info.title, "film250");
    EXPECT_EQ(info.recordIndex, before + 250);
    EXPECT_EQ(info.recordSize, sizeof(MediaInfo));
    EXPECT_STREQ(info.hostName, "mediaserver");
    EXPECT_GT(info.updateTime, 0);
}

TEST_F(BulkImportTest, AnyRefusedRecordLeavesTheCatalogueAsItWas) {
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    ClientInfo existing = Client("tv-box");
    ASSERT_GE(AddClientInfo(db.get(), &existing), 0);
    CategoryInfo wrongName{};
    wrongName.categoryId = 0;
    std::snprintf(wrongName.categoryName, sizeof wrongName.categoryName, "Not the Root");
    struct Case {
        const char* what;
        ImportBatch batch;
        ImportRefusal::Kind kind;
        size_t item;
    };
    ImportBatch good;
    for (int i = 0; i < 10; ++i) good.media.push_back(Item("ok" + std::to_string(i)));
    const std::vector<Case> cases = {
        {"missing category",
         [&] {
             ImportBatch b = good;
             b.media.push_back(Item("x", 99));
             return b;
         }(),
         ImportRefusal::Kind::kMedia, 10},
        {"category forbids additions",
         [&] {
             ImportBatch b = good;
             b.media.insert(b.media.begin() + 3, Item("y", 1));
             return b;
         }(),
         ImportRefusal::Kind::kMedia, 3},
        {"existing live client",
         [&] {
             ImportBatch b = good;
             b.clients = {Client("new"), Client("TV-BOX")};
             return b;
         }(),
         ImportRefusal::Kind::kClient, 1},
        {"two of one name",
         [&] {
             ImportBatch b = good;
             b.clients = {Client("a"), Client("b"), Client("A")};
             return b;
         }(),
         ImportRefusal::Kind::kClient, 2},
        {"client with the user prefix",
         [&] {
             ImportBatch b = good;
             b.clients = {Client("GLOBAL\\x")};
             return b;
         }(),
         ImportRefusal::Kind::kClient, 0},
        {"unknown category named",
         [&] {
             ImportBatch b = good;
             b.categories = {wrongName};
             return b;
         }(),
         ImportRefusal::Kind::kCategory, 0},
    };
    const int32_t media = GetMediaCount(db.get());
    const int32_t clients = GetClientCount(db.get());
    const std::string mediaBytes = FileBytes(mediaFile());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ImportRefusal refusal;
        EXPECT_EQ(Import(db.get(), c.batch, ImportMode::kAppend, &refusal), MVDB_ERR_INVALID);
        EXPECT_EQ(refusal.kind, c.kind);
        EXPECT_EQ(refusal.item, c.item);
        EXPECT_FALSE(refusal.reason.empty());
        EXPECT_EQ(GetMediaCount(db.get()), media);
        EXPECT_EQ(GetClientCount(db.get()), clients);
        EXPECT_EQ(SearchMedia(db.get(), "/media/ok0.ts", nullptr), MVDB_ERR_NOT_FOUND);
    }
    EXPECT_EQ(FileBytes(mediaFile()), mediaBytes);
}

TEST_F(BulkImportTest, ReplacingRestoresPositionsAndRefusesABatchWithoutRoot) {
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    ImportBatch batch;
    FromHandle(db.get())->catalogue().Export(&batch);
    ASSERT_GE(batch.categories.size(), 2u);
    // Keep the categories; replace the media by three items, the middle one deleted.
    batch.media = {Item("a"), Item("b"), Item("c")};
    for (MediaInfo& m : batch.media) std::snprintf(m.hostName, sizeof m.hostName, "mediaserver");
    batch.media[1].mediaFlags = MVDB_MEDIA_DELETED;
    batch.media[2].updateTime = 1234;
    batch.clients = {Client("only")};
    ASSERT_EQ(Import(db.get(), batch, ImportMode::kReplace), 0);
    EXPECT_EQ(GetMediaCount(db.get()), 3);
    MediaInfo info{};
    EXPECT_EQ(GetMediaInfo(db.get(), 1, &info), MVDB_ERR_OUT_OF_RANGE);
    ASSERT_EQ(GetMediaInfo(db.get(), 2, &info), 0);
    EXPECT_EQ(info.updateTime, 1234);  // a restore keeps what it is given
    EXPECT_EQ(SearchMedia(db.get(), "/media/c.ts", nullptr), 2);
    // The next add takes the deleted slot, as after any deletion.
    MediaInfo added = Item("d");
    EXPECT_EQ(AddMediaInfo(db.get(), &added), 1);
    EXPECT_EQ(GetClientCount(db.get()), 1);

    ImportBatch noRoot = batch;
    noRoot.categories[0].categoryStatus = MVDB_CATEGORY_DELETED;
    ImportRefusal refusal;
    EXPECT_EQ(Import(db.get(), noRoot, ImportMode::kReplace, &refusal), MVDB_ERR_INVALID);
    EXPECT_EQ(refusal.kind, ImportRefusal::Kind::kCategory);
    ImportBatch misplaced = batch;
    misplaced.categories[1].categoryId = 5;
    EXPECT_EQ(Import(db.get(), misplaced, ImportMode::kReplace, &refusal), MVDB_ERR_INVALID);
    EXPECT_EQ(refusal.item, 1u);
    EXPECT_EQ(GetMediaCount(db.get()), 3);
}

TEST_F(BulkImportTest, AnImportWhoseCommitFailsLeavesMemoryAndFilesAsTheyWere) {
    FailingJournalFiles files;
    test::ScopedFiles scope(files);
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    const int32_t media = GetMediaCount(db.get());
    ImportBatch batch;
    for (int i = 0; i < 300; ++i) batch.media.push_back(Item("f" + std::to_string(i)));
    batch.clients = {Client("box")};
    for (ImportMode mode : {ImportMode::kAppend, ImportMode::kReplace}) {
        if (mode == ImportMode::kReplace) FromHandle(db.get())->catalogue().Export(&batch);
        files.failSyncs = true;
        EXPECT_EQ(Import(db.get(), batch, mode), MVDB_ERR_WRITE);
        files.failSyncs = false;
        EXPECT_EQ(GetMediaCount(db.get()), media);
        EXPECT_EQ(GetClientCount(db.get()), 0);
        EXPECT_EQ(SearchMedia(db.get(), "/media/f5.ts", nullptr), MVDB_ERR_NOT_FOUND);
        ClientInfo client{};
        EXPECT_NE(GetClientInfoByName(db.get(), "box", &client), 0);
    }
    db.Close();
    test::OpenDatabase reopened;
    ASSERT_TRUE(reopened.ok());
    EXPECT_EQ(GetMediaCount(reopened.get()), media);
    EXPECT_EQ(GetClientCount(reopened.get()), 0);
}

}  // namespace
}  // namespace mvdb
