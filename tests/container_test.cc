// Loading damaged, short and unusual files, and the writer and reader roles.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "frame/database_handle.h"
#include "storage/account.h"
#include "support/container_bytes.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

using test::ContainerBytes;
using test::CountInFile;
using test::kAccountPasswordLengthOffset;
using test::kMediaElementBytes;
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
        std::string element(kMediaElementBytes, '\0');
        MediaInfo info{};
        info.recordSize = sizeof(MediaInfo);
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
    std::memcpy(damaged.data() + kAccountPasswordLengthOffset, &badLength, sizeof badLength);
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
    // what a store without a file has, changes that stay in memory.
    constexpr int32_t kReaderCategories = 1;
    constexpr int32_t kReaderMedia = 0;
    constexpr int32_t kReaderWrite = 0;
    constexpr int32_t kReaderSave = -1;
    constexpr int32_t kReaderClientWrite = 0;
#else
    constexpr int32_t kReaderCategories = 2;
    constexpr int32_t kReaderMedia = 20;
    constexpr int32_t kReaderWrite = MVDB_ERR_WRITE;
    constexpr int32_t kReaderSave = MVDB_ERR_WRITE;
    constexpr int32_t kReaderClientWrite = MVDB_ERR_INVALID;
#endif
    {
        CategoryDatabase reader(account, *codePage);
        EXPECT_FALSE(reader.IsWriter());
        EXPECT_EQ(reader.GetCount(), kReaderCategories);
        EXPECT_EQ(reader.WriteRecord(1), kReaderWrite);
        EXPECT_EQ(ReadFileBytes(categoryFile()), categoryBefore);
        reader.Clear();  // resets the reader's memory; the file stays the writer's
        EXPECT_EQ(ReadFileBytes(categoryFile()), categoryBefore);
    }
    {
        MediaDatabase reader(account, *codePage);
        EXPECT_FALSE(reader.IsWriter());
        EXPECT_EQ(reader.RecordCount(), kReaderMedia);
        EXPECT_EQ(reader.WriteRecord(0), kReaderWrite);
        EXPECT_EQ(reader.SaveAll(), kReaderSave);
        reader.Clear();
        EXPECT_EQ(ReadFileBytes(mediaFile()), mediaBefore);
    }
    {
        const std::string clientBefore = ReadFileBytes(clientFile());
        ClientDatabase reader(account, *codePage);
        EXPECT_FALSE(reader.IsWriter());
        EXPECT_EQ(reader.WriteRecord(0), kReaderClientWrite);
        reader.Clear();
        EXPECT_EQ(ReadFileBytes(clientFile()), clientBefore);
    }
}

// The copies kept beside `file`: names that begin "<file>.damaged-".
std::vector<std::string> KeptCopies(const std::string& file) {
    const std::filesystem::path path(file);
    const std::string prefix = path.filename().string() + ".damaged-";
    std::vector<std::string> copies;
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0) copies.push_back(entry.path().string());
    }
    return copies;
}

std::string WithPasswordLength(std::string container, int32_t length) {
    std::memcpy(container.data() + kAccountPasswordLengthOffset, &length, sizeof length);
    return container;
}

// A file that cannot be read is copied whole beside itself before the fresh
// content replaces it, and a second copy never overwrites the first.
TEST_F(ContainerTest, DamagedFilesAreKeptWholeBeforeAFreshOneReplacesThem) {
    std::vector<CategoryInfo> categories = {Category(0, "Root", -1), Category(1, "Mine", 0)};
    const std::string categoryRecords = RecordBytes(categories);
    std::string wrongMagic = ContainerBytes(NamedAccount("owner"), 2, categoryRecords);
    wrongMagic[3] = 'X';
    struct Case {
        const char* name;
        std::string file;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"category file with a wrong magic", categoryFile(), wrongMagic},
        {"category file cut inside the account block", categoryFile(),
         ContainerBytes(NamedAccount("owner"), 2, categoryRecords).substr(0, 100)},
        {"category file whose records cannot be read", categoryFile(),
         ContainerBytes(NamedAccount("owner"), -3, categoryRecords)},
        {"media file with a wrong magic", mediaFile(),
         "Marovale data base ver 0.8" + ContainerBytes(DBAccount{}, 3, MediaElements(3)).substr(kMagicBytes)},
        {"media file cut inside the account block", mediaFile(),
         ContainerBytes(DBAccount{}, 3, MediaElements(3)).substr(0, 60)},
        {"client file with a damaged account block", clientFile(),
         WithPasswordLength(ContainerBytes(DBAccount{}, 2, RecordBytes(std::vector<ClientInfo>(2))), 65)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string& file = c.file;
        for (const std::string& old : KeptCopies(file)) std::filesystem::remove(old);
        for (int round = 1; round <= 2; ++round) {
            WriteFileBytes(file, c.bytes);
            {
                test::OpenDatabase db;
                ASSERT_TRUE(db.ok());
            }
            EXPECT_NE(ReadFileBytes(file), c.bytes);  // replaced by a fresh file
            const std::vector<std::string> copies = KeptCopies(file);
            ASSERT_EQ(copies.size(), static_cast<size_t>(round));
            for (const std::string& copy : copies) EXPECT_EQ(ReadFileBytes(copy), c.bytes);
        }
        std::filesystem::remove(file);
        for (const std::string& old : KeptCopies(file)) std::filesystem::remove(old);
    }
    // New, empty files and sound ones leave no copies behind.
    {
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
    }
    for (const std::string& file : {categoryFile(), mediaFile(), clientFile()}) {
        EXPECT_TRUE(KeptCopies(file).empty()) << file;
    }
}

// When no copy can be made, the damaged file is left exactly as it was and
// the store works in memory.
TEST_F(ContainerTest, ADamagedFileThatCannotBeCopiedIsLeftAlone) {
    std::string damaged =
        ContainerBytes(NamedAccount("owner"), 1, RecordBytes(std::vector{Category(0, "R", -1)}));
    damaged[0] = 'm';
    WriteFileBytes(categoryFile(), damaged);
    // Every name a copy could take in the next seconds is taken already.
    const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    for (std::time_t t = now - 1; t <= now + 5; ++t) {
        // std::gmtime: the test runs on one thread, and Windows lacks gmtime_r.
        const std::tm parts = *std::gmtime(&t);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
        const std::string stem = categoryFile() + ".damaged-" + stamp;
        std::filesystem::create_directory(stem);
        for (int n = 2; n <= 100; ++n) std::filesystem::create_directory(stem + "-" + std::to_string(n));
    }
    {
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        CategoryDatabase& categories = Handle(db).categories();
        EXPECT_FALSE(categories.IsWriter());
        EXPECT_EQ(categories.GetCount(), 2);  // the defaults, in memory
        CategoryInfo added = Category(0, "only in memory", 0);
        EXPECT_EQ(AddCategoryInfo(db.get(), &added), 2);
    }
    EXPECT_EQ(ReadFileBytes(categoryFile()), damaged);
}

// A header field that one file's rule rejects (a password length the client
// file refuses) never travels into another file's header, so no sequence of
// opens and rewrites discards the clients and users.
TEST_F(ContainerTest, AnAccountBlockOneFileRejectsNeverReachesAnother) {
    {
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
    }
    WriteFileBytes(mediaFile(), WithPasswordLength(ReadFileBytes(mediaFile()), 70));
    std::filesystem::remove(clientFile());
    {
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        ClientInfo client{};
        std::strcpy(client.clientName, "player");
        ASSERT_EQ(AddClientInfo(db.get(), &client), 0);
        DBAccount user{};
        std::strcpy(user.userName, "alice");
        std::strcpy(user.password, "pw");
        user.passwordLength = 2;
        user.userLevel = 3;
        ScrambleAccount(&user);
        ASSERT_EQ(AddUser(db.get(), &user), 1);
    }
    // The new client file's header carries the account in a form it accepts.
    const std::string clientBytes = ReadFileBytes(clientFile());
    ASSERT_GE(clientBytes.size(), kRecordsOffset);
    DBAccount stored;
    std::memcpy(&stored, clientBytes.data() + kAccountOffset, sizeof stored);
    EXPECT_GE(stored.passwordLength, 0);
    EXPECT_LE(stored.passwordLength, 59);
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(GetClientCount(db.get()), 2);
    EXPECT_EQ(CountInFile(ReadFileBytes(clientFile())), 2);
    EXPECT_EQ(LoginUser(db.get(), "alice", "pw"), 3);
    EXPECT_TRUE(KeptCopies(clientFile()).empty());
}

}  // namespace
}  // namespace mvdb
