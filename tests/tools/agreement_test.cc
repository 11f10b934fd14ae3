// The tool and the library read the same files and the same configuration
// the same way: which records are users, where the files lie, which host
// name stamps new items.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/test_database.h"
#include "tools/tool_runner.h"

namespace mvdb::test {
namespace {

using nlohmann::json;

class AgreementTest : public DatabaseTest {
protected:
    void SetUp() override { UseFolder(); }
};

// A client whose name begins with "global" but not with "global\" is a
// client for the library's user functions and for every listing of the tool.
TEST_F(AgreementTest, AClientNamedGlobalboxIsAClientEverywhere) {
    {
        OpenDatabase db;
        ASSERT_TRUE(db.ok());
        ClientInfo box{};
        std::snprintf(box.clientName, sizeof box.clientName, "globalbox");
        ASSERT_EQ(AddClientInfo(db.get(), &box), 0);
        DBAccount ann{};
        std::snprintf(ann.userName, sizeof ann.userName, "ann");
        ASSERT_EQ(AddUser(db.get(), &ann), 1);
        EXPECT_EQ(CheckUser(db.get(), 0), 1);
        EXPECT_EQ(DelUser(db.get(), 0), MVDB_ERR_OUT_OF_RANGE);
    }
    const json users = RunToolJson({"users"})["users"];
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0]["index"], 1);
    const json clients = RunToolJson({"clients"})["clients"];
    ASSERT_EQ(clients.size(), 1u);
    EXPECT_EQ(clients[0]["name"], "globalbox");
    EXPECT_TRUE(clients[0]["user"].is_null());
    const json counts = RunToolJson({"status"})["counts"];
    EXPECT_EQ(counts["users"]["live"], 1);
    EXPECT_EQ(counts["clients"]["live"], 1);
    const ToolRun del = RunTool({"del-user", "0"});
    EXPECT_EQ(del.exitCode, 1);
    EXPECT_EQ(del.err, "mvdb: record 0 (\"globalbox\") is a client, not a user\n");
    EXPECT_EQ(RunToolJson({"dump", clientFile()})["records"][0]["user"], nullptr);
}

}  // namespace
}  // namespace mvdb::test
