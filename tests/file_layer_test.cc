// The library reaches files only through the substitutable file layer: a
// test's layer sees the database's files and can make them fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <set>

#include "support/container_bytes.h"
#include "support/records.h"
#include "support/substitute_files.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

class WatchingFiles : public test::ForwardingFiles {
public:
    std::unique_ptr<platform::File> OpenAlways(const std::string& path) override {
        Note(path);
        return refuseOpens ? nullptr : ForwardingFiles::OpenAlways(path);
    }
    std::unique_ptr<platform::File> OpenBuffered(const std::string& path) override {
        Note(path);
        return refuseOpens ? nullptr : ForwardingFiles::OpenBuffered(path);
    }
    std::set<std::string> Opened() {
        std::lock_guard<std::mutex> guard(lock_);
        return opened_;
    }
    bool refuseOpens = false;

private:
    void Note(const std::string& path) {
        std::lock_guard<std::mutex> guard(lock_);
        opened_.insert(path);
    }
    std::mutex lock_;
    std::set<std::string> opened_;
};

// Gives back the bytes of one file only up to `readableBytes`, as a disk
// that fails under part of a file would; every other call is the system's.
class FailingReads : public test::ForwardingFiles {
public:
    FailingReads(std::string path, uint64_t readableBytes)
        : path_(std::move(path)), readable_(readableBytes) {}
    std::unique_ptr<platform::File> OpenBuffered(const std::string& path) override {
        std::unique_ptr<platform::File> file = ForwardingFiles::OpenBuffered(path);
        if (!file || path != path_) return file;
        return std::make_unique<Limited>(std::move(file), readable_);
    }

private:
    class Limited final : public platform::File {
    public:
        Limited(std::unique_ptr<platform::File> inner, uint64_t readable)
            : inner_(std::move(inner)), readable_(readable) {}
        int64_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
            if (offset + n > readable_) return -1;
            return inner_->ReadAt(offset, buffer, n);
        }
        int64_t WriteAt(uint64_t offset, const void* data, size_t n) override {
            return inner_->WriteAt(offset, data, n);
        }
        int64_t Size() override { return inner_->Size(); }
        bool Sync() override { return inner_->Sync(); }

    private:
        std::unique_ptr<platform::File> inner_;
        uint64_t readable_;
    };
    std::string path_;
    uint64_t readable_;
};

class FileLayerTest : public test::DatabaseTest {};

TEST_F(FileLayerTest, TheDatabaseOpensItsFilesThroughTheSubstitutedLayer) {
    UseFolder();
    WatchingFiles files;
    {
        test::ScopedFiles scope(files);
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
    }
    const std::set<std::string> opened = files.Opened();
    for (const std::string& path : {categoryFile(), mediaFile(), clientFile()}) {
        EXPECT_EQ(opened.count(path), 1u) << path;
    }
    // Once the scope ends the system's layer is back.
    EXPECT_EQ(&platform::Files(), &platform::SystemFiles());
}

TEST_F(FileLayerTest, FilesTheLayerRefusesAreNeverCreated) {
    UseFolder();
    WatchingFiles files;
    files.refuseOpens = true;
    test::ScopedFiles scope(files);
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    EXPECT_FALSE(std::filesystem::exists(mediaFile()));
    EXPECT_FALSE(std::filesystem::exists(categoryFile()));
}

// Records the library reads only when they are first used: when the disk
// then fails to give some back, what could be read still answers, and no
// change of that catalogue is made, so the file keeps every record.
TEST_F(FileLayerTest, RecordsTheDiskCannotGiveBackAreNeverWrittenOver) {
    UseFolder();
    constexpr int32_t kItems = 1500;  // more than one block of records
    {
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        for (int32_t i = 0; i < kItems; ++i) {
            MediaInfo item = test::Media("item " + std::to_string(i));
            ASSERT_GE(AddMediaInfo(db.get(), &item), 0);
        }
    }
    const std::string before = test::ReadFileBytes(mediaFile());
    const int32_t count = test::CountInFile(before);
    ASSERT_GT(count, kItems);

    constexpr int32_t kFirstUnreadable = 1200;
    FailingReads files(mediaFile(), test::MediaElementOffset(kFirstUnreadable));
    {
        test::ScopedFiles scope(files);
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        EXPECT_EQ(GetMediaCount(db.get()), count);
        MediaInfo got{};
        ASSERT_EQ(GetMediaInfo(db.get(), count - kItems + 5, &got), 0);
        EXPECT_STREQ(got.title, "item 5");
        // The block holding kFirstUnreadable cannot be read whole.
        GetMediaInfo(db.get(), kFirstUnreadable, &got);
        MediaInfo item = test::Media("after the failure");
        EXPECT_EQ(AddMediaInfo(db.get(), &item), MVDB_ERR_WRITE);
        EXPECT_EQ(DelMediaInfo(db.get(), count - kItems + 5), MVDB_ERR_WRITE);
        EXPECT_EQ(ClearMediaInfo(db.get()), MVDB_ERR_WRITE);
        // Refused changes leave memory as it was.
        EXPECT_EQ(GetMediaCount(db.get()), count);
        ASSERT_EQ(GetMediaInfo(db.get(), count - kItems + 5, &got), 0);
        EXPECT_STREQ(got.title, "item 5");
    }
    EXPECT_EQ(test::ReadFileBytes(mediaFile()), before);
}

}  // namespace
}  // namespace mvdb
