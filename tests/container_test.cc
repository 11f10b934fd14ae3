// Loading damaged, short and unusual files, and the writer and reader roles.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "frame/database_handle.h"
#include "support/container_bytes.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

using test::ContainerBytes;
using test::CountInFile;
using test::ReadFileBytes;
using test::RecordBytes;
using test::WriteFileBytes;

DBAccount NamedAccount(const char* name, const char* password = "") {
    DBAccount account{};
    std::strcpy(account.userName, name);
    std::strcpy(account.password, password);
    account.passwordLength = static_cast<int32_t>(std::strlen(password));
    return account;
}

CategoryInfo Category(int32_t id, const char* name, int32_t parent) {
    CategoryInfo record{};
    record.recordSize = 592;
    record.categoryId = id;
    std::strcpy(record.categoryName, name);
    record.parentId = parent;
    return record;
}

std::string MediaElements(int count) {
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        std::string element(1224, '\0');
        MediaInfo info{};
        info.recordSize = 960;
        std::snprintf(info.title, sizeof info.title, "Item%d", i);
        info.recordIndex = i;
        info.categoryId = 0;
        std::memcpy(element.data(), &info, sizeof info);
        bytes += element;
    }
    return bytes;
}

class ContainerTest : public test::DatabaseTest {
protected:
    DatabaseHandle& Handle(test::OpenDatabase& db) { return *FromHandle(db.get()); }
};

TEST_F(ContainerTest, MagicDifferingInTheCaseOfOneLetterIsWrong) {
    std::string bytes = ContainerBytes(DBAccount{}, 1, RecordBytes(std::vector{Category(0, "Mine", -1)}));
    bytes[0] = 'm';
    WriteFileBytes(categoryFile(), bytes);
    WriteFileBytes(mediaFile(), bytes);
    WriteFileBytes(clientFile(), bytes);
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(Handle(db).categories().GetCount(), 2);
    EXPECT_EQ(Handle(db).media().RecordCount(), 20);
    EXPECT_EQ(Handle(db).clients().RecordCount(), 0);
    EXPECT_EQ(CountInFile(ReadFileBytes(categoryFile())), 2);
    EXPECT_EQ(ReadFileBytes(categoryFile()).compare(0, 26, test::kMagic), 0);
    EXPECT_EQ(CountInFile(ReadFileBytes(mediaFile())), 20);
    EXPECT_EQ(CountInFile(ReadFileBytes(clientFile())), 0);
}

TEST_F(ContainerTest, CategoryFileCutInsideTheAccountBlock) {
    WriteFileBytes(categoryFile(), ContainerBytes(NamedAccount("owner"), 0, "").substr(0, 100));
    {
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        EXPECT_EQ(Handle(db).categories().GetCount(), 0);
        EXPECT_EQ(CountInFile(ReadFileBytes(categoryFile())), 0);
        uint32_t flags = 0;
        EXPECT_EQ(Handle(db).categories().GetAccessFlags(0, &flags), MVDB_ERR_OUT_OF_RANGE);
    }
    test::OpenDatabase db;  // the next open finds the count 0 and seeds the defaults
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(Handle(db).categories().GetCount(), 2);
}

TEST_F(ContainerTest, EmptyCategoryFileWithSoundHeaderGetsDefaults) {
    WriteFileBytes(categoryFile(), ContainerBytes(NamedAccount("owner"), 0, ""));
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(Handle(db).categories().GetCount(), 2);
    EXPECT_EQ(CountInFile(ReadFileBytes(categoryFile())), 2);
}

TEST_F(ContainerTest, CountLargerThanTheRecordsLoadsTheWholeOnes) {
    std::vector<CategoryInfo> categories = {Category(0, "Root", -1), Category(1, "A", 0),
                                            Category(2, "B", 0)};
    WriteFileBytes(categoryFile(), ContainerBytes(DBAccount{}, 5, RecordBytes(categories) + "partial"));
    WriteFileBytes(mediaFile(), ContainerBytes(DBAccount{}, 40, MediaElements(3) + "partial"));
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(Handle(db).categories().GetCount(), 3);
    EXPECT_EQ(Handle(db).media().RecordCount(), 3);
    // The next single-record write stores the count of the array.
    EXPECT_EQ(Handle(db).media().WriteRecord(1), 0);
    EXPECT_EQ(CountInFile(ReadFileBytes(mediaFile())), 3);
    EXPECT_EQ(Handle(db).categories().WriteRecord(2), 0);
    EXPECT_EQ(CountInFile(ReadFileBytes(categoryFile())), 3);
}

TEST_F(ContainerTest, MediaCountsZeroNegativeAndDamagedAccount) {
    struct Case {
        const char* name;
        std::string file;
        int32_t expectedElements;
    };
    const std::string sound = ContainerBytes(DBAccount{}, 0, "");
    const std::vector<Case> cases = {
        {"count 0 seeds", sound, 20},
        {"negative count stays empty", ContainerBytes(DBAccount{}, -1, MediaElements(2)), 0},
        {"positive count without a whole element stays empty", ContainerBytes(DBAccount{}, 2, "short"), 0},
        {"short account block seeds", sound.substr(0, 120), 20},
    };
    for (const Case& c : cases) {
        WriteFileBytes(mediaFile(), c.file);
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok()) << c.name;
        EXPECT_EQ(Handle(db).media().RecordCount(), c.expectedElements) << c.name;
    }
}

TEST_F(ContainerTest, ClientAccountBlockIsCheckedButNeverAdopted) {
    WriteFileBytes(categoryFile(), ContainerBytes(NamedAccount("category"), 0, ""));
    WriteFileBytes(mediaFile(), ContainerBytes(NamedAccount("media", "pw"), 0, ""));
    std::vector<ClientInfo> clients(2);
    WriteFileBytes(clientFile(), ContainerBytes(NamedAccount("client"), 2, RecordBytes(clients)));
    {
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        DBAccount account{};
        ASSERT_EQ(GetDBAccount(db.get(), &account), 0);
        EXPECT_STREQ(account.userName, "media");
        EXPECT_STREQ(account.password, "pw");
        EXPECT_EQ(Handle(db).clients().RecordCount(), 2);
    }
    // A stored password length of 65 marks the client file's block damaged.
    std::string damaged = ContainerBytes(NamedAccount("client"), 2, RecordBytes(clients));
    const int32_t badLength = 65;
    std::memcpy(damaged.data() + 26 + 124, &badLength, sizeof badLength);
    WriteFileBytes(clientFile(), damaged);
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(Handle(db).clients().RecordCount(), 0);
    EXPECT_EQ(CountInFile(ReadFileBytes(clientFile())), 0);
}

TEST_F(ContainerTest, WithoutAMediaAccountTheCategoryAccountHolds) {
    WriteFileBytes(categoryFile(), ContainerBytes(NamedAccount("category", "c"), 0, ""));
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    DBAccount account{};
    ASSERT_EQ(GetDBAccount(db.get(), &account), 0);
    EXPECT_STREQ(account.userName, "category");
    // The new media file carries it too.
    EXPECT_STREQ(test::AccountInFile(ReadFileBytes(mediaFile())).userName, "category");
}

TEST_F(ContainerTest, FilesThatCannotBeOpenedLeaveStoresWorkingInMemory) {
    for (const std::string& file : {categoryFile(), mediaFile(), clientFile()}) {
        std::filesystem::create_directories(file);  // a folder where the file should be
    }
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    CategoryDatabase& categories = Handle(db).categories();
    EXPECT_EQ(categories.GetCount(), 1);  // a Root without the system bit
    uint32_t flags = 0xFFFF;
    EXPECT_EQ(categories.GetAccessFlags(0, &flags), 0);
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(categories.SaveAll(), -1);
    EXPECT_EQ(categories.WriteRecord(0), 0);
    EXPECT_EQ(Handle(db).media().RecordCount(), 0);
    EXPECT_EQ(Handle(db).media().SaveAll(), -1);
    EXPECT_EQ(Handle(db).clients().RecordCount(), 0);
    EXPECT_EQ(InitializeDB(db.get()), 0);
    EXPECT_EQ(categories.GetCount(), 2);
}

TEST_F(ContainerTest, ASecondStoreOfAKindIsAReader) {
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    EXPECT_TRUE(Handle(db).categories().IsWriter());
    EXPECT_TRUE(Handle(db).media().IsWriter());
    EXPECT_TRUE(Handle(db).clients().IsWriter());
    const std::string categoryBefore = ReadFileBytes(categoryFile());
    const std::string mediaBefore = ReadFileBytes(mediaFile());

    SharedAccount account;
    auto codePage = platform::CurrentCodePage();
#if defined(_WIN32)
    // Windows lets only one opener write: the reader gets no file and keeps
    // what a store without a file has.
    constexpr int32_t kReaderCategories = 1;
    constexpr int32_t kReaderMedia = 0;
#else
    constexpr int32_t kReaderCategories = 2;
    constexpr int32_t kReaderMedia = 20;
#endif
    {
        CategoryDatabase reader(account, *codePage);
        EXPECT_FALSE(reader.IsWriter());
        EXPECT_EQ(reader.GetCount(), kReaderCategories);
        EXPECT_EQ(reader.WriteRecord(1), MVDB_ERR_WRITE);
        EXPECT_EQ(ReadFileBytes(categoryFile()), categoryBefore);
        EXPECT_EQ(reader.Clear(), 0);  // a whole rewrite is tried all the same
    }
    {
        MediaDatabase reader(account, *codePage);
        EXPECT_FALSE(reader.IsWriter());
        EXPECT_EQ(reader.RecordCount(), kReaderMedia);
        EXPECT_EQ(reader.WriteRecord(0), MVDB_ERR_WRITE);
        EXPECT_EQ(reader.SaveAll(), MVDB_ERR_WRITE);
        reader.Clear();
        EXPECT_EQ(ReadFileBytes(mediaFile()), mediaBefore);
    }
    {
        ClientDatabase reader(account, *codePage);
        EXPECT_FALSE(reader.IsWriter());
        EXPECT_EQ(reader.WriteRecord(0), MVDB_ERR_INVALID);
    }
}

}  // namespace
}  // namespace mvdb
