// User accounts stored as "global\<name>" client records.
#include <gtest/gtest.h>

#include <cstring>

#include "storage/account.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

// An account as callers hand it over: the password scrambled.
DBAccount User(const std::string& name, const std::string& password, int32_t level) {
    DBAccount account{};
    std::snprintf(account.userName, sizeof account.userName, "%s", name.c_str());
    std::snprintf(account.password, sizeof account.password, "%s", password.c_str());
    account.passwordLength = static_cast<int32_t>(password.size());
    account.userLevel = level;
    ScrambleAccount(&account);
    return account;
}

class UsersTest : public test::DatabaseTest {
protected:
    void SetUp() override { ASSERT_TRUE(db_.ok()); }
    MVDB_HANDLE h() { return db_.get(); }
    int32_t Add(const std::string& name, const std::string& password, int32_t level = 5) {
        DBAccount account = User(name, password, level);
        return AddUser(h(), &account);
    }
    int32_t AddClient(const std::string& name) {
        ClientInfo info{};
        std::snprintf(info.clientName, sizeof info.clientName, "%s", name.c_str());
        return AddClientInfo(h(), &info);
    }
    test::OpenDatabase db_;
};

TEST_F(UsersTest, LoginMatchesTheNameWithoutCaseAndThePasswordWithCase) {
    ASSERT_EQ(Add("Alice", "Secret", 7), 0);
    EXPECT_EQ(LoginUser(h(), "alice", "Secret"), 7);
    EXPECT_EQ(LoginUser(h(), "ALICE", "secret"), 1);
    EXPECT_EQ(LoginUser(h(), "bob", "Secret"), 1);
    EXPECT_EQ(LoginUser(nullptr, "alice", "Secret"), 1);
    EXPECT_EQ(LoginUser(h(), nullptr, "Secret"), 1);
    EXPECT_EQ(LoginUser(h(), "alice", nullptr), 1);
    ClientInfo record{};
    ASSERT_EQ(GetClientInfo(h(), 0, &record), 0);
    EXPECT_STREQ(record.clientName, "global\\Alice");
}

TEST_F(UsersTest, LevelOneLooksLikeAFailureAndPasswordsWithRepeats) {
    ASSERT_EQ(Add("carol", "aabb", 1), 0);
    EXPECT_EQ(LoginUser(h(), "carol", "aabb"), 1);
    ASSERT_EQ(Add("dave", "", 3), 1);
    EXPECT_EQ(LoginUser(h(), "dave", ""), 3);
}

TEST_F(UsersTest, AddingTheSameUserTwiceKeepsOneRecord) {
    ASSERT_EQ(Add("erin", "one"), 0);
    ASSERT_EQ(Add("ERIN", "two"), 0);
    EXPECT_EQ(GetClientCount(h()), 1);
    EXPECT_EQ(LoginUser(h(), "erin", "two"), 5);
}

TEST_F(UsersTest, DeleteModifyAndRevive) {
    ASSERT_EQ(Add("frank", "pw"), 0);
    ASSERT_EQ(AddClient("tv-box"), 1);
    EXPECT_EQ(DelUser(h(), 1), MVDB_ERR_OUT_OF_RANGE);  // a client, not a user
    DBAccount account = User("frank", "new", 9);
    EXPECT_EQ(ModifyUser(h(), 1, &account), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(DelUser(h(), 7), MVDB_ERR_OUT_OF_RANGE);
    ASSERT_EQ(DelUser(h(), 0), 0);
    EXPECT_EQ(LoginUser(h(), "frank", "pw"), 1);
    EXPECT_EQ(DelUser(h(), 0), 0);
    ASSERT_EQ(ModifyUser(h(), 0, &account), 0);
    EXPECT_EQ(LoginUser(h(), "frank", "new"), 9);
    ClientInfo record{};
    ASSERT_EQ(GetClientInfo(h(), 0, &record), 0);
    EXPECT_EQ(record.loginTime, 0);
    EXPECT_EQ(record.clientFlags, 0);
}

TEST_F(UsersTest, ListingUsersThroughASlot) {
    ASSERT_EQ(Add("gina", "pw", 4), 0);
    ASSERT_EQ(AddClient("globalX"), 1);  // counts as a user, but cannot log in
    ASSERT_EQ(AddClient("player"), 2);
    ASSERT_EQ(Add("hank", "pw"), 3);
    ASSERT_EQ(DelUser(h(), 3), 0);
    EXPECT_EQ(LoginUser(h(), "X", ""), 1);
    ASSERT_EQ(CheckUser(h(), 6), 2);
    DBAccount out;
    std::memset(&out, 0x77, sizeof out);
    ASSERT_EQ(GetCheckedUser(h(), 0, &out, 6), 0);
    EXPECT_STREQ(out.userName, "gina");
    EXPECT_EQ(out.scrambled, 0);
    EXPECT_EQ(out.recordIndex, 0);
    EXPECT_EQ(out.userLevel, 4);
    UnscrambleAccount(&out);
    EXPECT_STREQ(out.password, "pw");
    ASSERT_EQ(GetCheckedUser(h(), 1, &out, 6), 0);
    EXPECT_STREQ(out.userName, "");  // "globalX" has nothing behind the prefix
    EXPECT_EQ(GetCheckedUser(h(), 2, &out, 6), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(GetCheckedUser(h(), 0, nullptr, 6), MVDB_ERR_INVALID);
    EXPECT_EQ(GetCheckedUser(h(), 0, &out, 5), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(CheckUser(h(), 64), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(GetCheckedUser(h(), 0, &out, -1), MVDB_ERR_OUT_OF_RANGE);
    ASSERT_EQ(InitializeDB(h()), 0);
    EXPECT_EQ(GetCheckedUser(h(), 0, &out, 6), MVDB_ERR_OUT_OF_RANGE);
}

TEST_F(UsersTest, NamesThatDoNotFitBehindThePrefixAreRefused) {
    EXPECT_EQ(Add(std::string(56, 'n'), "pw"), 0);
    EXPECT_EQ(LoginUser(h(), std::string(56, 'N').c_str(), "pw"), 5);
    EXPECT_EQ(Add(std::string(57, 'n'), "pw"), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(LoginUser(h(), std::string(57, 'n').c_str(), "pw"), 1);
    DBAccount account{};
    std::memset(account.userName, 'u', sizeof account.userName);  // no NUL at all
    EXPECT_EQ(AddUser(h(), &account), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(ModifyUser(h(), 0, &account), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(AddUser(h(), nullptr), MVDB_ERR_INVALID);
    EXPECT_EQ(ModifyUser(h(), 0, nullptr), MVDB_ERR_INVALID);
    EXPECT_EQ(GetClientCount(h()), 1);
}

TEST_F(UsersTest, AStoredPasswordLengthBeyondTheFieldFailsTheLogin) {
    ASSERT_EQ(Add("ivan", "pw"), 0);
    ClientInfo record{};
    ASSERT_EQ(GetClientInfo(h(), 0, &record), 0);
    for (int32_t length : {-1, 60, 64, 100000}) {
        std::memcpy(record.clientData3 + 60, &length, sizeof length);
        ASSERT_EQ(ReplaceClientInfo(h(), 0, &record), 0);
        EXPECT_EQ(LoginUser(h(), "ivan", "pw"), 1) << length;
    }
}

}  // namespace
}  // namespace mvdb
