// The helpers the public header defines inline: result texts, and the
// password scrambling that callers of AddUser and ModifyUser apply.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "support/container_bytes.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

TEST(ResultText, EveryCodeHasItsOwnTextAndUnknownCodesSaySo) {
    const struct {
        int32_t code;
        const char* text;
    } cases[] = {
        {MVDB_ERR_INVALID, "invalid handle or argument"},
        {MVDB_ERR_NOT_FOUND, "not found"},
        {MVDB_ERR_OUT_OF_RANGE, "out of range or deleted"},
        {MVDB_ERR_NO_RECORD, "no record or no memory"},
        {MVDB_ERR_BAD_ACCOUNT, "damaged account block"},
        {MVDB_ERR_WRITE, "write failed"},
        {MVDB_ERR_SHORT_READ, "info file shorter than recorded"},
        {MVDB_ERR_BAD_SLOT, "result slot outside 0 to 63"},
        {MVDB_ERR_ACCESS_DENIED, "refused by category access flags"},
        {MVDB_ERR_INFO_MODE, "damaged info area"},
    };
    std::set<std::string> seen;
    for (const auto& c : cases) {
        EXPECT_STREQ(mvdb_result_text(c.code), c.text) << c.code;
        EXPECT_TRUE(seen.insert(c.text).second) << "two codes share " << c.text;
    }
    // Counts, indexes and ids are successes, whatever their size.
    for (const int32_t success : {MVDB_OK, 1, 63, INT32_MAX})
        EXPECT_STREQ(mvdb_result_text(success), "success");
    for (const int32_t unknown : {-2, -5, -14, -17, -20, INT32_MIN})
        EXPECT_STREQ(mvdb_result_text(unknown), "unknown result code") << unknown;
}

DBAccount PlainUser(const char* name, const char* password, int32_t level) {
    DBAccount account{};
    std::snprintf(account.userName, sizeof account.userName, "%s", name);
    std::snprintf(account.password, sizeof account.password, "%s", password);
    account.userLevel = level;
    return account;
}

TEST(ScramblePassword, XorsEachByteWithThePlainByteBeforeIt) {
    DBAccount account = PlainUser("u", "aab", 0);
    account.passwordLength = 99;
    mvdb_scramble_password(&account);
    EXPECT_EQ(account.passwordLength, 3);
    EXPECT_EQ(account.scrambled, 1);
    const unsigned char expected[] = {'a' ^ MVDB_PASSWORD_SEED, 'a' ^ 'a', 'b' ^ 'a', 0};
    EXPECT_EQ(std::memcmp(account.password, expected, sizeof expected), 0);

    // A password that fills the field is cut to the 59 bytes before its NUL.
    DBAccount full{};
    std::memset(full.password, 'p', sizeof full.password);
    mvdb_scramble_password(&full);
    EXPECT_EQ(full.passwordLength, 59);
    EXPECT_EQ(full.password[59], '\0');

    DBAccount empty = PlainUser("u", "", 0);
    mvdb_scramble_password(&empty);
    EXPECT_EQ(empty.passwordLength, 0);
    EXPECT_EQ(empty.password[0], '\0');
}

class ScrambleAgainstLibrary : public test::DatabaseTest {
protected:
    void SetUp() override { ASSERT_TRUE(db_.ok()); }
    test::OpenDatabase db_;
};

// A caller that scrambles with the header's helper is understood by the
// library: LoginUser accepts the plain password, zero bytes included.
TEST_F(ScrambleAgainstLibrary, LoginUserAcceptsWhatTheHelperScrambled) {
    const struct {
        const char* name;
        const char* password;
    } users[] = {{"alice", "Secret"}, {"bob", "aabbcc"}, {"carol", ""}, {"dave", "\x83\x41\x83\x41"}};
    for (const auto& u : users) {
        DBAccount account = PlainUser(u.name, u.password, 6);
        mvdb_scramble_password(&account);
        ASSERT_GE(AddUser(db_.get(), &account), 0) << u.name;
        EXPECT_EQ(LoginUser(db_.get(), u.name, u.password), 6) << u.name;
        EXPECT_EQ(LoginUser(db_.get(), u.name, "wrong"), 1) << u.name;
    }
}

// The helper scrambles exactly as the library stores the database account
// in the header of every file.
TEST_F(ScrambleAgainstLibrary, MatchesTheAccountBlockInTheFiles) {
    DBAccount account = PlainUser("owner", "hello world", 0);
    ASSERT_EQ(SetDBAccount(db_.get(), &account), MVDB_OK);
    ASSERT_EQ(InitializeDB(db_.get()), MVDB_OK);  // rewrites every header
    db_.Close();
    mvdb_scramble_password(&account);
    for (const std::string& file : {categoryFile(), mediaFile(), clientFile()}) {
        const std::string bytes = test::ReadFileBytes(file);
        ASSERT_GE(bytes.size(), test::kRecordsOffset) << file;
        DBAccount stored{};
        std::memcpy(&stored, bytes.data() + test::kAccountOffset, sizeof stored);
        EXPECT_EQ(stored.passwordLength, account.passwordLength) << file;
        EXPECT_EQ(std::memcmp(stored.password, account.password, 12), 0) << file;
        EXPECT_STREQ(stored.userName, "owner") << file;
    }
}

}  // namespace
}  // namespace mvdb
