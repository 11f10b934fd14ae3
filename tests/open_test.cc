// Opening, closing and resetting a database, and the files a fresh open makes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/platform.h"
#include "support/container_bytes.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

using test::CountInFile;
using test::ReadFileBytes;

class OpenTest : public test::DatabaseTest {};

TEST_F(OpenTest, OneHandleAtATime) {
    test::OpenDatabase first;
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(OpenMVDB(), MVDB_INVALID_HANDLE);
    DBAccount account{};
    EXPECT_EQ(GetDBAccount(first.get(), &account), 0);  // the first handle is untouched
    first.Close();
    test::OpenDatabase again;
    EXPECT_TRUE(again.ok());
}

#if !defined(_WIN32)
TEST_F(OpenTest, WithoutAUsableLockFolderNothingOpens) {
    // Without its mutexes an open could neither exclude a second one nor
    // know that it is the writer of its files.
    test::WriteFileBytes(folder_ / "not-a-folder", "");
    ::setenv("MVDB_LOCK_DIR", (folder_ / "not-a-folder").c_str(), 1);
    EXPECT_EQ(OpenMVDB(), MVDB_INVALID_HANDLE);
    EXPECT_FALSE(std::filesystem::exists(categoryFile()));
}
#endif

TEST_F(OpenTest, NullHandlesAreRefusedAndCloseIgnoresThem) {
    CloseMVDB(nullptr);
    CloseMVDB(MVDB_INVALID_HANDLE);
    EXPECT_EQ(InitializeDB(nullptr), MVDB_ERR_INVALID);
    EXPECT_FALSE(std::filesystem::exists(categoryFile()));
}

TEST_F(OpenTest, FreshFolderGetsTheDefaultContent) {
    {
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
    }
    const std::string category = ReadFileBytes(categoryFile());
    ASSERT_EQ(category.size(), test::RecordOffset(2, sizeof(CategoryInfo)));
    EXPECT_EQ(category.compare(0, test::kMagicBytes, test::kMagic), 0);
    DBAccount stored;
    std::memcpy(&stored, category.data() + test::kAccountOffset, sizeof stored);
    EXPECT_EQ(stored.userName[0], 0);
    EXPECT_EQ(stored.password[0], 0);
    EXPECT_EQ(stored.passwordLength, 0);
    EXPECT_EQ(stored.scrambled, 1);
    EXPECT_EQ(CountInFile(category), 2);

    const auto root = test::RecordInFile<CategoryInfo>(category, 0);
    EXPECT_EQ(root.recordSize, 592u);
    EXPECT_EQ(root.categoryId, 0);
    EXPECT_STREQ(root.categoryName, "Root");
    EXPECT_EQ(root.parentId, -1);
    EXPECT_EQ(root.categoryStatus, 0u);
    EXPECT_EQ(root.accessFlags, 0x1u);
    // The live-video category lies at byte 766.
    CategoryInfo live;
    std::memcpy(&live, category.data() + 766, sizeof live);
    EXPECT_EQ(live.categoryId, 1);
    EXPECT_EQ(live.parentId, 0);
    EXPECT_EQ(live.accessFlags, 0x1061u);
    EXPECT_GT(std::strlen(live.categoryName), 0u);

    const std::string media = ReadFileBytes(mediaFile());
    ASSERT_EQ(media.size(), test::MediaElementOffset(20));
    EXPECT_EQ(CountInFile(media), 20);
    for (int n = 1; n <= 20; ++n) {
        const MediaInfo item = test::MediaInFile(media, static_cast<size_t>(n - 1));
        char title[16];
        std::snprintf(title, sizeof title, "Channel%02d", n);
        EXPECT_STREQ(item.title, title);
        EXPECT_EQ(std::string(item.location), "LIVE:TV" + std::to_string(n));
        EXPECT_STREQ(item.hostName, "mediaserver");
        EXPECT_EQ(item.recordIndex, n - 1);
        EXPECT_EQ(item.categoryId, 1);
        EXPECT_EQ(item.updateTime, 0);
    }

    const std::string clients = ReadFileBytes(clientFile());
    EXPECT_EQ(clients.size(), 174u);
    EXPECT_EQ(CountInFile(clients), 0);
    EXPECT_TRUE(std::filesystem::is_directory(infoFolder()));
}

// The files a fresh open writes are the same, byte for byte, on every
// system and build: the reference copies were written by one of them.
// MVDB_WRITE_REFERENCE=1 writes them anew.
TEST_F(OpenTest, FreshFilesMatchTheReferenceFiles) {
    { test::OpenDatabase db; }
    const std::string codePage = std::to_string(platform::CurrentCodePage()->Number());
    const std::filesystem::path references = std::filesystem::path(MVDB_TEST_DATA_DIR) / "fresh";
    const std::vector<std::pair<std::string, std::string>> files = {
        {categoryFile(), "MVDBCAT-" + codePage + ".db"},
        {mediaFile(), "MVDBMF.db"},
        {clientFile(), "MVDBCLT.db"},
    };
    for (const auto& [written, reference] : files) {
        const std::string path = (references / reference).string();
        if (const char* write = std::getenv("MVDB_WRITE_REFERENCE"); write != nullptr && *write == '1') {
            std::filesystem::create_directories(references);
            test::WriteFileBytes(path, ReadFileBytes(written));
        }
        const std::string expected = ReadFileBytes(path);
        ASSERT_FALSE(expected.empty()) << path;
        EXPECT_TRUE(ReadFileBytes(written) == expected) << written << " differs from " << path;
    }
}

TEST_F(OpenTest, ReopeningLeavesTheFilesAsTheyWere) {
    { test::OpenDatabase db; }
    const std::string category = ReadFileBytes(categoryFile());
    const std::string media = ReadFileBytes(mediaFile());
    const std::string clients = ReadFileBytes(clientFile());
    { test::OpenDatabase db; }
    EXPECT_EQ(ReadFileBytes(categoryFile()), category);
    EXPECT_EQ(ReadFileBytes(mediaFile()), media);
    EXPECT_EQ(ReadFileBytes(clientFile()), clients);
}

TEST_F(OpenTest, InitializeRestoresTheDefaultsAndSweepsTheInfoFolder) {
    { test::OpenDatabase db; }
    const std::string category = ReadFileBytes(categoryFile());
    const std::string media = ReadFileBytes(mediaFile());
    const std::string clients = ReadFileBytes(clientFile());

    // More content than the defaults: 30 media elements, 3 categories, a client.
    std::vector<uint8_t> elements(30 * test::kMediaElementBytes, 0x33);
    test::WriteFileBytes(
        mediaFile(), test::ContainerBytes(DBAccount{}, 30, std::string(elements.begin(), elements.end())));
    CategoryInfo extra{};
    extra.recordSize = sizeof(CategoryInfo);
    extra.categoryId = 2;
    std::vector<CategoryInfo> categories = {test::RecordInFile<CategoryInfo>(category, 0),
                                            test::RecordInFile<CategoryInfo>(category, 1), extra};
    test::WriteFileBytes(categoryFile(), test::ContainerBytes(DBAccount{}, 3, test::RecordBytes(categories)));
    std::vector<ClientInfo> oneClient(1);
    test::WriteFileBytes(clientFile(), test::ContainerBytes(DBAccount{}, 1, test::RecordBytes(oneClient)));
    test::WriteFileBytes(infoPath("MVDB3-0.dat"), "info");
    test::WriteFileBytes(infoPath("foreign.txt"), "other");
    std::filesystem::create_directory(infoPath("keep"));

    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    ASSERT_EQ(InitializeDB(db.get()), 0);

    // The files are rewritten from byte 0; what lay behind the new last record stays.
    const std::string newMedia = ReadFileBytes(mediaFile());
    EXPECT_EQ(newMedia.size(), test::MediaElementOffset(30));
    EXPECT_EQ(newMedia.substr(0, media.size()), media);
    EXPECT_EQ(static_cast<uint8_t>(newMedia[media.size()]), 0x33);
    EXPECT_EQ(ReadFileBytes(categoryFile()).substr(0, category.size()), category);
    EXPECT_EQ(ReadFileBytes(clientFile()).substr(0, clients.size()), clients);
    EXPECT_EQ(CountInFile(ReadFileBytes(clientFile())), 0);

    EXPECT_FALSE(std::filesystem::exists(infoPath("MVDB3-0.dat")));
    EXPECT_FALSE(std::filesystem::exists(infoPath("foreign.txt")));
    EXPECT_TRUE(std::filesystem::is_directory(infoPath("keep")));
}

}  // namespace
}  // namespace mvdb
