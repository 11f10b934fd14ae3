// User accounts stored as "global\<name>" client records.
#include <gtest/gtest.h>

#include <cstring>

#include "format/user_record.h"
#include "storage/account.h"
#include "support/container_bytes.h"
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
    // The client functions do not return user records; the file holds them.
    ClientInfo StoredInFile(int32_t index) {
        return test::RecordInFile<ClientInfo>(test::ReadFileBytes(clientFile()), static_cast<size_t>(index));
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
    EXPECT_STREQ(StoredInFile(0).clientName, "global\\Alice");
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
    const ClientInfo record = StoredInFile(0);
    EXPECT_EQ(record.loginTime, 0);
    EXPECT_EQ(record.clientFlags, 0);
}

TEST_F(UsersTest, ListingUsersThroughASlot) {
    ASSERT_EQ(Add("gina", "pw", 4), 0);
    ASSERT_EQ(AddClient("globalX"), 1);  // a client: users begin with "global\\"
    ASSERT_EQ(AddClient("player"), 2);
    ASSERT_EQ(Add("hank", "pw"), 3);
    ASSERT_EQ(DelUser(h(), 3), 0);
    EXPECT_EQ(LoginUser(h(), "X", ""), 1);
    ASSERT_EQ(CheckUser(h(), 6), 1);
    DBAccount out;
    std::memset(&out, 0x77, sizeof out);
    ASSERT_EQ(GetCheckedUser(h(), 0, &out, 6), 0);
    EXPECT_STREQ(out.userName, "gina");
    EXPECT_EQ(out.scrambled, 0);
    EXPECT_EQ(out.recordIndex, 0);
    EXPECT_EQ(out.userLevel, 4);
    UnscrambleAccount(&out);
    EXPECT_STREQ(out.password, "pw");
    EXPECT_EQ(GetCheckedUser(h(), 1, &out, 6), MVDB_ERR_OUT_OF_RANGE);
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
    ClientInfo record = StoredInFile(0);
    db_.Close();
    for (int32_t length : {-1, 60, 64, 100000}) {
        std::memcpy(reinterpret_cast<char*>(&record) + format::kUserPasswordLengthOffset, &length,
                    sizeof length);
        test::WriteFileBytes(clientFile(),
                             test::ContainerBytes(DBAccount{}, 1, test::RecordBytes<ClientInfo>({record})));
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        EXPECT_EQ(LoginUser(db.get(), "ivan", "pw"), 1) << length;
    }
}

// A client host must not reach the user accounts through the client
// functions: not by a name in another case, not by index, not by creating
// a record that carries the user prefix.
TEST_F(UsersTest, ClientFunctionsNeverTakeOverAUser) {
    ASSERT_EQ(Add("alice", "pw", 7), 0);
    ClientInfo takeover{};
    std::snprintf(takeover.clientName, sizeof takeover.clientName, "GLOBAL\\Alice");
    EXPECT_EQ(LoginClient(h(), &takeover), MVDB_ERR_INVALID);
    EXPECT_EQ(AddClientInfo(h(), &takeover), MVDB_ERR_INVALID);
    EXPECT_EQ(LoginUser(h(), "alice", "pw"), 7);
    ASSERT_EQ(CheckUser(h(), 0), 1);
    EXPECT_EQ(GetClientCount(h()), 1);
}

TEST_F(UsersTest, ClientFunctionsNeverCreateAUser) {
    // The client data of a user record: scrambled "x", length 1, level 9.
    DBAccount eve = User("", "x", 9);
    ClientInfo forged{};
    ASSERT_TRUE(format::BuildUserRecord(eve, &forged));
    for (const char* name : {"global\\eve", "Global\\eve", "GLOBAL\\"}) {
        std::snprintf(forged.clientName, sizeof forged.clientName, "%s", name);
        EXPECT_EQ(LoginClient(h(), &forged), MVDB_ERR_INVALID) << name;
        EXPECT_EQ(AddClientInfo(h(), &forged), MVDB_ERR_INVALID) << name;
    }
    EXPECT_EQ(GetClientCount(h()), 0);
    EXPECT_EQ(LoginUser(h(), "eve", "x"), 1);
    // A client may not be renamed into a user either.
    ASSERT_EQ(AddClient("tv-box"), 0);
    EXPECT_EQ(ReplaceClientInfo(h(), 0, &forged), MVDB_ERR_INVALID);
    EXPECT_EQ(LoginUser(h(), "", "x"), 1);
    EXPECT_EQ(CheckUser(h(), 0), 0);
}

TEST_F(UsersTest, ClientFunctionsNeitherFindNorChangeUserRecords) {
    ASSERT_EQ(Add("bob", "pw", 3), 0);
    ASSERT_EQ(AddClient("tv-box"), 1);
    ClientInfo out{};
    EXPECT_EQ(GetClientInfo(h(), 0, &out), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(GetClientInfoByName(h(), "global\\bob", &out), MVDB_ERR_NOT_FOUND);
    EXPECT_EQ(GetClientInfoByName(h(), "GLOBAL\\BOB", &out), MVDB_ERR_NOT_FOUND);
    EXPECT_EQ(CheckChangedDataByName(h(), "global\\bob", 0), MVDB_ERR_NOT_FOUND);
    ClientInfo client{};
    std::snprintf(client.clientName, sizeof client.clientName, "kitchen");
    EXPECT_EQ(ReplaceClientInfo(h(), 0, &client), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(DelClientInfo(h(), 0), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(LoginUser(h(), "bob", "pw"), 3);
    EXPECT_EQ(StoredInFile(0).clientFlags, 0);
    // The client beside it is served as before.
    EXPECT_EQ(GetClientInfo(h(), 1, &out), 0);
    EXPECT_EQ(GetClientInfoByName(h(), "TV-BOX", &out), 0);
    EXPECT_EQ(DelClientInfo(h(), 1), 0);
    EXPECT_EQ(GetClientCount(h()), 2);  // the count still holds every record
}

// One rule tells a user record: its name begins with the seven bytes
// "global\\" in exactly that case. Anything else is a client everywhere.
TEST_F(UsersTest, OnlyTheExactPrefixMakesAUser) {
    ASSERT_EQ(AddClient("globalbox"), 0);
    ASSERT_EQ(AddClient("global"), 1);
    EXPECT_EQ(CheckUser(h(), 0), 0);
    EXPECT_EQ(DelUser(h(), 0), MVDB_ERR_OUT_OF_RANGE);
    DBAccount account = User("box", "pw", 2);
    EXPECT_EQ(ModifyUser(h(), 0, &account), MVDB_ERR_OUT_OF_RANGE);
    ClientInfo out{};
    EXPECT_EQ(GetClientInfo(h(), 0, &out), 0);
    EXPECT_STREQ(out.clientName, "globalbox");

    struct Case {
        const char* name;
        bool user;
        bool refusedForClients;
    };
    for (const Case& c :
         {Case{"global\\ann", true, true}, Case{"global\\", true, true}, Case{"GLOBAL\\ann", false, true},
          Case{"gLoBaL\\", false, true}, Case{"globalbox", false, false}, Case{"global", false, false},
          Case{"global/ann", false, false}, Case{"", false, false}}) {
        ClientInfo record{};
        std::snprintf(record.clientName, sizeof record.clientName, "%s", c.name);
        EXPECT_EQ(format::IsUserRecord(record), c.user) << c.name;
        EXPECT_EQ(format::CarriesUserPrefix(c.name), c.refusedForClients) << c.name;
    }
    EXPECT_FALSE(format::CarriesUserPrefix(nullptr));
}

}  // namespace
}  // namespace mvdb
