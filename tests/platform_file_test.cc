// Files of the platform layer: positioned reads and writes, sharing, removal.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "support/temp_folder.h"

namespace mvdb {
namespace {

class PlatformFileTest : public ::testing::Test {
protected:
    std::string Read(platform::File& file, uint64_t offset, size_t n) {
        std::string bytes(n, '\0');
        const int64_t got = file.ReadAt(offset, bytes.data(), n);
        if (got < 0) return "<failed>";
        bytes.resize(static_cast<size_t>(got));
        return bytes;
    }

    test::TempFolder folder_;
    std::string path_ = folder_ / "records.db";
};

TEST_F(PlatformFileTest, OpenAlwaysCreatesAFileAndWritesAtAnyOffset) {
    std::unique_ptr<platform::File> file = platform::OpenAlways(path_);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Size(), 0);
    EXPECT_EQ(file->WriteAt(0, "header", 6), 6);
    // Writing past the end extends the file; the gap reads as zeros.
    EXPECT_EQ(file->WriteAt(10, "tail", 4), 4);
    EXPECT_EQ(file->Size(), 14);
    EXPECT_EQ(Read(*file, 0, 14), std::string("header\0\0\0\0tail", 14));
    // Overwriting in place keeps the rest.
    EXPECT_EQ(file->WriteAt(2, "AD", 2), 2);
    EXPECT_EQ(Read(*file, 0, 6), "heADer");
}

TEST_F(PlatformFileTest, ReadsStopAtTheEndOfTheFile) {
    std::unique_ptr<platform::File> file = platform::OpenAlways(path_);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->WriteAt(0, "0123456789", 10), 10);
    EXPECT_EQ(Read(*file, 6, 100), "6789");
    EXPECT_EQ(Read(*file, 10, 4), "");
    EXPECT_EQ(Read(*file, 1000, 4), "");
}

TEST_F(PlatformFileTest, OpenAlwaysKeepsTheContentOfAnExistingFile) {
    test::WriteFileBytes(path_, "existing content");
    std::unique_ptr<platform::File> file = platform::OpenAlways(path_);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Size(), 16);
    EXPECT_EQ(Read(*file, 0, 8), "existing");
    ASSERT_EQ(file->WriteAt(0, "EXISTING", 8), 8);
    file.reset();
    EXPECT_EQ(test::ReadFileBytes(path_), "EXISTING content");
}

TEST_F(PlatformFileTest, OpenExistingForReadNeedsTheFileAndOnlyReads) {
    EXPECT_FALSE(platform::OpenExistingForRead(path_));
    EXPECT_FALSE(platform::OpenExistingForRead(folder_ / "missing" + "/x.dat"));
    test::WriteFileBytes(path_, "info bytes");
    std::unique_ptr<platform::File> file = platform::OpenExistingForRead(path_);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Size(), 10);
    EXPECT_EQ(Read(*file, 5, 5), "bytes");
    EXPECT_EQ(file->WriteAt(0, "x", 1), -1);
    file.reset();
    EXPECT_EQ(test::ReadFileBytes(path_), "info bytes");
}

TEST_F(PlatformFileTest, NeitherOpenAcceptsAFolderOrAnEmptyPath) {
    EXPECT_FALSE(platform::OpenAlways(""));
    EXPECT_FALSE(platform::OpenExistingForRead(""));
    EXPECT_FALSE(platform::OpenAlways(folder_.path().string()));
    EXPECT_FALSE(platform::OpenExistingForRead(folder_.path().string()));
}

#if defined(_WIN32)
// Every open shares reading only: a writer excludes other writers and the
// readers (which would not share writing), while readers admit each other.
TEST_F(PlatformFileTest, OpensShareReadingOnly) {
    std::unique_ptr<platform::File> writer = platform::OpenAlways(path_);
    ASSERT_TRUE(writer);
    EXPECT_FALSE(platform::OpenAlways(path_));
    EXPECT_FALSE(platform::OpenExistingForRead(path_));
    writer.reset();

    std::unique_ptr<platform::File> reader = platform::OpenExistingForRead(path_);
    ASSERT_TRUE(reader);
    EXPECT_TRUE(platform::OpenExistingForRead(path_));
    EXPECT_FALSE(platform::OpenAlways(path_));
    reader.reset();
    EXPECT_TRUE(platform::OpenAlways(path_));
}
#endif

TEST_F(PlatformFileTest, RemoveFileReportsWhetherAFileWentAway) {
    test::WriteFileBytes(path_, "x");
    EXPECT_TRUE(platform::RemoveFile(path_));
    EXPECT_FALSE(platform::PathExists(path_));
    EXPECT_FALSE(platform::RemoveFile(path_));
}

TEST_F(PlatformFileTest, RenameReplacesTheTargetInOneStep) {
    const std::string from = folder_ / "piece.tmp";
    test::WriteFileBytes(from, "new");
    test::WriteFileBytes(path_, "old content");
    EXPECT_TRUE(platform::RenameFile(from, path_));
    EXPECT_FALSE(platform::PathExists(from));
    EXPECT_EQ(test::ReadFileBytes(path_), "new");
    EXPECT_FALSE(platform::RenameFile(from, path_));  // nothing left to rename
    EXPECT_EQ(test::ReadFileBytes(path_), "new");
}

TEST_F(PlatformFileTest, BufferedFilesWriteAndSync) {
    std::unique_ptr<platform::File> file = platform::OpenBuffered(path_);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->WriteAt(4, "data", 4), 4);
    EXPECT_TRUE(file->Sync());
    EXPECT_EQ(Read(*file, 0, 8), std::string("\0\0\0\0data", 8));
    file.reset();
    EXPECT_EQ(test::ReadFileBytes(path_), std::string("\0\0\0\0data", 8));
    EXPECT_TRUE(platform::SyncFolder(folder_.path().string()));
}

// Threads that share one file each write and read back their own records;
// a position taken by one thread and used by another would mix them up.
// A log appends through AppendDurably: every byte before each append stays
// as it was, whatever unit of the disk the append starts in, also after a
// plain write changed bytes just before it. (Where appends bypass the
// system's cache, the reads after them come from the disk.)
TEST_F(PlatformFileTest, AppendsKeepEveryByteBeforeThem) {
    std::unique_ptr<platform::File> file = platform::Files().OpenExclusive(path_);
    ASSERT_TRUE(file);
    std::string expected(3 * 4096, '\0');
    expected.replace(0, 6, "header");
    ASSERT_EQ(file->WriteAt(0, expected.data(), expected.size()), static_cast<int64_t>(expected.size()));
    ASSERT_TRUE(file->Sync());
    uint64_t tail = 512;
    const size_t sizes[] = {1300, 700, 3, 5000, 4096 - 8, 1, 9000};
    char fill = 'a';
    for (size_t i = 0; i < std::size(sizes); ++i, ++fill) {
        const std::string bytes(sizes[i], fill);
        ASSERT_EQ(file->AppendDurably(tail, bytes.data(), bytes.size()), static_cast<int64_t>(bytes.size()));
        if (expected.size() < tail + bytes.size()) expected.resize(tail + bytes.size(), '\0');
        expected.replace(tail, bytes.size(), bytes);
        tail += bytes.size();
        if (i == 2) {
            // A plain write into the unit the next append starts in.
            ASSERT_EQ(file->WriteAt(tail - 2, "XY", 2), 2);
            expected.replace(tail - 2, 2, "XY");
        }
        ASSERT_EQ(Read(*file, 0, tail), expected.substr(0, tail)) << "after append " << i;
    }
}

TEST_F(PlatformFileTest, ThreadsSharingAFileKeepTheirOffsets) {
    std::unique_ptr<platform::File> file = platform::OpenAlways(path_);
    ASSERT_TRUE(file);
    constexpr int kThreads = 4;
    constexpr int kRounds = 200;
    constexpr size_t kRecord = 1224;
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::string mine(kRecord, static_cast<char>('a' + t));
            std::string back(kRecord, '\0');
            for (int round = 0; round < kRounds; ++round) {
                const uint64_t offset = static_cast<uint64_t>(round % 8 * kThreads + t) * kRecord;
                mine[0] = static_cast<char>(round);
                if (file->WriteAt(offset, mine.data(), kRecord) != static_cast<int64_t>(kRecord) ||
                    file->ReadAt(offset, back.data(), kRecord) != static_cast<int64_t>(kRecord) ||
                    back != mine) {
                    ++mismatches[t];
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0) << "thread " << t;
    EXPECT_EQ(file->Size(), static_cast<int64_t>(8 * kThreads * kRecord));
}

#if !defined(_WIN32)
// Range locks belong to one open of a file: a second open of the same file,
// even in this process, is excluded until the first closes.
TEST_F(PlatformFileTest, ARangeLockExcludesEveryOtherOpenOfTheFile) {
    std::unique_ptr<platform::File> first = platform::OpenAlways(path_);
    std::unique_ptr<platform::File> second = platform::OpenAlways(path_);
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->TryLockRange(0, 1));
    EXPECT_TRUE(first->TryLockRange(0, 1));  // the holder may take it again
    EXPECT_FALSE(second->TryLockRange(0, 1));
    EXPECT_TRUE(second->TryLockRange(1, 1));  // other bytes stay free
    first.reset();
    EXPECT_TRUE(second->TryLockRange(0, 1));
}

// Threads that share one open file wait for each other on LockRange, as
// threads with opens of their own do; the lock may be taken recursively.
TEST_F(PlatformFileTest, LockRangeExcludesThreadsSharingTheFileAndOtherOpens) {
    std::unique_ptr<platform::File> shared = platform::OpenAlways(path_);
    ASSERT_TRUE(shared);
    constexpr int kRounds = 200;
    int counter = 0;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    const auto work = [&](platform::File& file) {
        for (int round = 0; round < kRounds; ++round) {
            file.LockRange(1, 1);
            file.LockRange(1, 1);
            if (inside.fetch_add(1) != 0) ++overlaps;
            const int seen = counter;
            std::this_thread::yield();
            counter = seen + 1;
            inside.fetch_sub(1);
            file.UnlockRange(1, 1);
            file.UnlockRange(1, 1);
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) threads.emplace_back([&] { work(*shared); });
    threads.emplace_back([&] {
        std::unique_ptr<platform::File> own = platform::OpenAlways(path_);
        if (own) work(*own);
    });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(counter, 3 * kRounds);
}
#endif

}  // namespace
}  // namespace mvdb
