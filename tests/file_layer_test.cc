// The library reaches files only through the substitutable file layer: a
// test's layer sees the database's files and can make them fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <set>

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

}  // namespace
}  // namespace mvdb
