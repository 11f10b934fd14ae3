#include "storage/account.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "support/container_bytes.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

DBAccount Account(const std::string& name, const std::string& password) {
    DBAccount block{};
    std::strncpy(block.userName, name.c_str(), sizeof block.userName - 1);
    std::strncpy(block.password, password.c_str(), sizeof block.password - 1);
    block.passwordLength = static_cast<int32_t>(std::strlen(block.password));
    return block;
}

TEST(Scrambling, RoundTripsEveryPasswordLength) {
    for (const std::string& password :
         {std::string(), std::string("a"), std::string("secret"), std::string("aabbcc"), std::string(59, 'x'),
          std::string("\xff\x01\x80")}) {
        DBAccount block = Account("user", password);
        ScrambleAccount(&block);
        EXPECT_EQ(block.scrambled, 1);
        UnscrambleAccount(&block);
        EXPECT_EQ(block.scrambled, 0);
        EXPECT_EQ(std::string(block.password), password);
    }
}

TEST(Scrambling, FirstByteUsesTheSeedAndEqualNeighboursGiveZero) {
    DBAccount block = Account("user", "xxy");
    ScrambleAccount(&block);
    EXPECT_EQ(static_cast<uint8_t>(block.password[0]), static_cast<uint8_t>('x' ^ kScrambleSeed));
    EXPECT_EQ(block.password[1], 0);  // why the length is stored, not taken from the text
    EXPECT_EQ(static_cast<uint8_t>(block.password[2]), static_cast<uint8_t>('x' ^ 'y'));
    EXPECT_EQ(block.password[3], 0);
    EXPECT_EQ(block.passwordLength, 3);
}

TEST(Scrambling, EmptyPasswordScramblesToEmptyText) {
    uint8_t out[4] = {1, 1, 1, 1};
    ScrambleBytes(out, reinterpret_cast<const uint8_t*>(""), 0);
    EXPECT_EQ(out[0], 0);
    UnscrambleBytes(out, reinterpret_cast<const uint8_t*>(""), -3);
    EXPECT_EQ(out[0], 0);
}

TEST(Scrambling, StoredLengthOutsideTheFieldNeverReachesPastIt) {
    for (int32_t length : {-100, -1, 60, 64, 65, 1000, INT32_MAX}) {
        DBAccount block = Account("user", "secret");
        ScrambleAccount(&block);
        block.passwordLength = length;
        block.userLevel = 0x11223344;
        block.recordIndex = 0x55667788;
        UnscrambleAccount(&block);
        EXPECT_EQ(block.userLevel, 0x11223344) << length;
        EXPECT_EQ(block.recordIndex, 0x55667788) << length;
        EXPECT_EQ(block.passwordLength, length);
        EXPECT_LT(std::strlen(block.password), sizeof block.password);
    }
}

class AccountExportTest : public test::DatabaseTest {};

TEST_F(AccountExportTest, NullHandleAndNullBlock) {
    DBAccount block{};
    EXPECT_EQ(GetDBAccount(nullptr, &block), MVDB_ERR_INVALID);
    EXPECT_EQ(SetDBAccount(nullptr, &block), MVDB_ERR_INVALID);
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(GetDBAccount(db.get(), nullptr), MVDB_ERR_INVALID);
    EXPECT_EQ(SetDBAccount(db.get(), nullptr), MVDB_ERR_INVALID);
}

TEST_F(AccountExportTest, SetThenGetGivesPlainPasswordAndItsLengthAndKeepsTheTail) {
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    DBAccount in = Account("admin", "p@ss");
    in.passwordLength = 99;  // ignored: the length follows the text
    ASSERT_EQ(SetDBAccount(db.get(), &in), 0);

    DBAccount out;
    std::memset(&out, 0x5A, sizeof out);
    ASSERT_EQ(GetDBAccount(db.get(), &out), 0);
    EXPECT_STREQ(out.userName, "admin");
    EXPECT_STREQ(out.password, "p@ss");
    EXPECT_EQ(out.passwordLength, 4);
    EXPECT_EQ(out.scrambled, 0x5A5A5A5A);
    EXPECT_EQ(out.userLevel, 0x5A5A5A5A);
    EXPECT_EQ(out.recordIndex, 0x5A5A5A5A);
}

TEST_F(AccountExportTest, OverlongTextsAreCutToTheirFields) {
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    DBAccount in;
    std::memset(&in, 'n', sizeof in);  // no NUL anywhere in the block
    ASSERT_EQ(SetDBAccount(db.get(), &in), 0);
    DBAccount out{};
    ASSERT_EQ(GetDBAccount(db.get(), &out), 0);
    EXPECT_EQ(std::strlen(out.userName), 63u);
    EXPECT_EQ(std::strlen(out.password), 59u);
    EXPECT_EQ(out.passwordLength, 59);
}

TEST_F(AccountExportTest, SetWritesTheThreeHeadersAndNothingElse) {
    std::map<std::string, std::string> before;
    int32_t count = 0;
    {
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        MediaInfo item{};
        std::strcpy(item.title, "kept");
        ASSERT_GE(AddMediaInfo(db.get(), &item), 0);
        count = GetMediaCount(db.get());
        db.Close();
        for (const std::string& file : {categoryFile(), mediaFile(), clientFile()}) {
            before[file] = test::ReadFileBytes(file);
        }
        test::OpenDatabase again;
        ASSERT_TRUE(again.ok());
        DBAccount in = Account("first", "one");
        ASSERT_EQ(SetDBAccount(again.get(), &in), 0);
        // Set is on the disk at once, not at close.
        for (const std::string& file : {categoryFile(), mediaFile(), clientFile()}) {
            EXPECT_STREQ(test::AccountInFile(test::ReadFileBytes(file)).userName, "first") << file;
        }
    }
    for (const std::string& file : {categoryFile(), mediaFile(), clientFile()}) {
        const std::string bytes = test::ReadFileBytes(file);
        const DBAccount stored = test::AccountInFile(bytes);
        EXPECT_STREQ(stored.userName, "first") << file;
        EXPECT_STREQ(stored.password, "one") << file;
        // Only the account block changed.
        ASSERT_EQ(bytes.size(), before[file].size()) << file;
        EXPECT_EQ(bytes.substr(0, test::kAccountOffset), before[file].substr(0, test::kAccountOffset))
            << file;
        EXPECT_EQ(bytes.substr(test::kCountOffset), before[file].substr(test::kCountOffset)) << file;
    }
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    DBAccount out{};
    ASSERT_EQ(GetDBAccount(db.get(), &out), 0);
    EXPECT_STREQ(out.userName, "first");
    EXPECT_STREQ(out.password, "one");
    EXPECT_EQ(GetMediaCount(db.get()), count);
}

}  // namespace
}  // namespace mvdb
