// Registering clients, reading them back and recording their logins.
#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

#include "platform/platform.h"
#include "support/container_bytes.h"
#include "support/records.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

ClientInfo Client(const std::string& name) {
    ClientInfo info{};
    std::snprintf(info.clientName, sizeof info.clientName, "%s", name.c_str());
    info.clientData0[0] = 0x42;
    return info;
}

class ClientsTest : public test::DatabaseTest {
protected:
    void SetUp() override { ASSERT_TRUE(db_.ok()); }
    MVDB_HANDLE h() { return db_.get(); }
    int32_t Add(const std::string& name) {
        ClientInfo info = Client(name);
        return AddClientInfo(h(), &info);
    }
    ClientInfo Stored(int32_t index) {
        ClientInfo out{};
        EXPECT_EQ(GetClientInfo(h(), index, &out), 0);
        return out;
    }
    test::OpenDatabase db_;
};

TEST_F(ClientsTest, NamesDifferingInCaseAreOneClient) {
    ClientInfo first = Client("LivingRoom");
    first.recordSize = 5;
    ASSERT_EQ(AddClientInfo(h(), &first), 0);
    EXPECT_EQ(first.recordSize, 212u);
    EXPECT_EQ(first.recordIndex, 0);
    EXPECT_GT(first.loginTime, 0);
    ClientInfo second = Client("LIVINGROOM");
    second.loginTime = 1;
    ASSERT_EQ(AddClientInfo(h(), &second), 0);
    EXPECT_EQ(GetClientCount(h()), 1);
    EXPECT_STREQ(Stored(0).clientName, "LIVINGROOM");
    EXPECT_GE(Stored(0).loginTime, first.loginTime);
    EXPECT_EQ(test::CountInFile(test::ReadFileBytes(clientFile())), 1);
}

TEST_F(ClientsTest, TheLastDeletedNamesakeIsRevived) {
    ASSERT_EQ(Add("den"), 0);
    ClientInfo duplicate = Client("DEN");
    ASSERT_EQ(AddClientInfo(h(), &duplicate), 0);
    // Two deleted records of one name arise only by replace.
    ASSERT_EQ(Add("other"), 1);
    ClientInfo renamed = Client("Den");
    ASSERT_EQ(ReplaceClientInfo(h(), 1, &renamed), 0);
    ASSERT_EQ(DelClientInfo(h(), 0), 0);
    ASSERT_EQ(DelClientInfo(h(), 1), 0);
    EXPECT_EQ(GetClientCount(h()), 2);
    EXPECT_EQ(Stored(1).clientFlags, MVDB_CLIENT_DELETED);
    EXPECT_EQ(Add("den"), 1);
    EXPECT_EQ(Stored(1).clientFlags, 0);
    EXPECT_EQ(DelClientInfo(h(), 0), 0);  // deleting again succeeds
}

TEST_F(ClientsTest, ResultCodesInTheirOrder) {
    ClientInfo info = Client("x");
    EXPECT_EQ(AddClientInfo(h(), nullptr), MVDB_ERR_INVALID);
    EXPECT_EQ(DelClientInfo(h(), 0), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(ReplaceClientInfo(h(), 9, nullptr), MVDB_ERR_NO_RECORD);
    EXPECT_EQ(ReplaceClientInfo(h(), 9, &info), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(GetClientInfo(h(), 0, nullptr), MVDB_ERR_INVALID);
    EXPECT_EQ(GetClientInfo(h(), 0, &info), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(GetClientInfoByName(h(), "x", &info), MVDB_ERR_NOT_FOUND);
    EXPECT_EQ(GetClientInfoByName(h(), nullptr, &info), MVDB_ERR_NOT_FOUND);
    EXPECT_EQ(LoginClient(h(), nullptr), MVDB_ERR_INVALID);
    EXPECT_EQ(CheckChangedDataByName(h(), "x", 0), MVDB_ERR_NOT_FOUND);
    EXPECT_EQ(GetClientCount(nullptr), MVDB_ERR_INVALID);
    EXPECT_EQ(AddClientInfo(nullptr, &info), MVDB_ERR_INVALID);
}

TEST_F(ClientsTest, LoginAddsOrReplacesAndStampsTheTime) {
    ClientInfo client = Client("kitchen");
    const int32_t before = platform::CurrentTime();
    ASSERT_EQ(LoginClient(h(), &client), 0);
    EXPECT_EQ(GetClientCount(h()), 1);
    ASSERT_EQ(DelClientInfo(h(), 0), 0);
    ClientInfo again = Client("KITCHEN");
    ASSERT_EQ(LoginClient(h(), &again), 0);  // a known name: replaced, revived
    EXPECT_EQ(again.recordIndex, 0);
    const ClientInfo stored = Stored(0);
    EXPECT_EQ(stored.clientFlags, 0);
    EXPECT_GE(stored.loginTime, before);
    EXPECT_STREQ(stored.clientName, "KITCHEN");
}

TEST_F(ClientsTest, ChangesSinceTheLastLoginOfADeletedClientToo) {
    ClientInfo client = Client("bedroom");
    ASSERT_EQ(AddClientInfo(h(), &client), 0);
    client.loginTime = 0;
    ASSERT_EQ(ReplaceClientInfo(h(), 0, &client), 0);
    ASSERT_EQ(DelClientInfo(h(), 0), 0);
    ClientInfo found{};
    ASSERT_EQ(GetClientInfoByName(h(), "BEDROOM", &found), 0);
    EXPECT_EQ(found.clientFlags, MVDB_CLIENT_DELETED);
    EXPECT_EQ(CheckChangedDataByName(h(), "Bedroom", 4), 20);  // since 0: the seeded channels
    EXPECT_EQ(CheckChangedDataByName(h(), "bedroom", 64), MVDB_ERR_BAD_SLOT);
}

TEST_F(ClientsTest, TwoThreadsAddingOneNewNameStoreItOnce) {
    for (int round = 0; round < 20; ++round) {
        const std::string name = "host" + std::to_string(round);
        int32_t a = -1, b = -1;
        std::thread first([&] { a = Add(name); });
        std::thread second([&] { b = Add(name); });
        first.join();
        second.join();
        EXPECT_EQ(a, b) << name;
    }
    EXPECT_EQ(GetClientCount(h()), 20);
}

}  // namespace
}  // namespace mvdb
