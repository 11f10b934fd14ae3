// The commands that change the database, and how the library's refusals
// reach people: a sentence on standard error and the exit status 1.
#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tools/sample_database.h"
#include "tools/tool_runner.h"

namespace mvdb::test {
namespace {

using nlohmann::json;

class ChangeTest : public SampleDatabaseTest {
protected:
    // Runs a command that must be refused and returns its message.
    std::string Refusal(const std::vector<std::string>& args, int expectedExit = 1) {
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.exitCode, expectedExit) << run.out;
        EXPECT_EQ(run.out, "");
        return run.err;
    }

    CategoryInfo CategoryAtPosition(int32_t id) {
        OpenDatabase db;
        CategoryInfo info{};
        EXPECT_EQ(GetCategoryInfo(db.get(), id, &info), 0);
        return info;
    }
};

TEST_F(ChangeTest, AddCategoryStoresNameParentAndFlags) {
    const ToolRun run = RunTool({"add-category", "Old Films", "--parent", "2", "--flags", "0x40"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // The tombstone's position is reused.
    EXPECT_EQ(run.out, "added category 4 \"Old Films\" below category 2\n");
    const CategoryInfo info = CategoryAtPosition(4);
    EXPECT_STREQ(info.categoryName, "Old Films");
    EXPECT_EQ(info.parentId, 2);
    EXPECT_EQ(info.accessFlags, 0x40u);
    EXPECT_EQ(RunToolJson({"add-category", "Shorts", "--parent", "0"})["id"], 5);
}

TEST_F(ChangeTest, AddCategoryRefusals) {
    EXPECT_EQ(Refusal({"add-category", "X", "--parent", "1"}),
              Displayed("mvdb: category 1 \"" + LiveVideoName() +
                        "\" is a system category: no category can be added below it\n"));
    EXPECT_EQ(Refusal({"add-category", "X", "--parent", "7"}),
              "mvdb: no parent for the new category: category 7 does not exist\n");
    EXPECT_EQ(Refusal({"add-category", "X", "--parent", "4"}),
              "mvdb: no parent for the new category: category 4 is deleted\n");
    EXPECT_NE(
        Refusal({"add-category", "X", "--parent", "0", "--flags", "zz"}, 2).find("not a hexadecimal word"),
        std::string::npos);
    EXPECT_NE(Refusal({"add-category", "X"}, 2).find("--parent"), std::string::npos);
}

TEST_F(ChangeTest, DelCategoryRefusalsNameTheRuleThatApplied) {
    EXPECT_EQ(Refusal({"del-category", "0"}), "mvdb: category 0 is the Root, which cannot be deleted\n");
    EXPECT_EQ(Refusal({"del-category", "1"}), Displayed("mvdb: category 1 \"" + LiveVideoName() +
                                                        "\" is a system category and cannot be deleted\n"));
    EXPECT_EQ(
        Refusal({"del-category", "3"}),
        "mvdb: category 3 \"Kids\" still holds media items: delete them or file them elsewhere first\n");
    EXPECT_EQ(Refusal({"del-category", "4"}), "mvdb: category 4 is deleted\n");
    EXPECT_EQ(Refusal({"del-category", "12"}), "mvdb: category 12 does not exist\n");
    EXPECT_EQ(Refusal({"del-category", "2", "--mode", "3"}, 2).find("mvdb: category"), std::string::npos);

    // Films holds an item and a subcategory; without the item the mode decides.
    EXPECT_EQ(
        Refusal({"del-category", "2", "--mode", "1"}),
        "mvdb: category 2 \"Films\" still holds media items: delete them or file them elsewhere first\n");
    ASSERT_EQ(RunTool({"del-media", "20"}).exitCode, 0);
    EXPECT_EQ(Refusal({"del-category", "2"}),
              "mvdb: category 2 \"Films\" has subcategories: delete them first, or use --mode 1 to delete "
              "them with "
              "it, or --mode 2 to move them up to its parent\n");
}

TEST_F(ChangeTest, DelCategoryModes) {
    ASSERT_EQ(RunTool({"del-media", "20"}).exitCode, 0);
    // Mode 2: Kids moves up to the Root and keeps its item.
    EXPECT_EQ(RunToolJson({"del-category", "2", "--mode", "2"}),
              json({{"deleted", 2}, {"formatVersion", 1}, {"mode", 2}}));
    EXPECT_EQ(CategoryAtPosition(3).parentId, 0);
    // Mode 1 takes the subtree; an item of a subcategory goes to the parent.
    ASSERT_EQ(RunToolJson({"add-category", "Sub", "--parent", "3"})["id"], 2);
    ASSERT_EQ(RunTool({"del-media", "21"}).exitCode, 0);
    ASSERT_EQ(RunTool({"add-media", "--title", "Deep", "--location", "d", "--category", "2"}).exitCode, 0);
    const ToolRun run = RunTool({"del-category", "3", "--mode", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "deleted category 3 \"Kids\", with its subcategories\n");
    EXPECT_EQ(RunToolJson({"categories"})["categories"].size(), 2u);
    EXPECT_EQ(RunToolJson({"media", "--find", "deep"})["items"][0]["categoryId"], 0);
}

TEST_F(ChangeTest, AddMediaAndItsRefusals) {
    const json added = RunToolJson({"add-media", "--title", "Evening News", "--location", "/srv/news.ts",
                                    "--key", "news", "--category", "2"});
    EXPECT_EQ(added["index"], 22);  // the deleted item's slot
    const json item = RunToolJson({"media", "--find", "evening"})["items"][0];
    EXPECT_EQ(item["location"], "/srv/news.ts");
    EXPECT_EQ(item["keyName"], "news");
    EXPECT_EQ(item["hostName"], "mediaserver");  // the library fills in its own host
    EXPECT_EQ(RunToolJson({"add-media", "--title", "Tuner", "--location", "x", "--type", "300", "--category",
                           "0"})["index"],
              23);
    EXPECT_EQ(RunToolJson({"media", "--find", "tuner"})["items"][0]["mediaType"], 0x300);

    EXPECT_EQ(Refusal({"add-media", "--title", "T", "--location", "L", "--category", "1"}),
              "mvdb: category 1 forbids adding media\n");
    EXPECT_EQ(Refusal({"add-media", "--title", "T", "--location", "L", "--category", "7"}),
              "mvdb: the item was not added: category 7 does not exist\n");
    EXPECT_NE(Refusal({"add-media", "--title", "T"}, 2).find("--location"), std::string::npos);
    EXPECT_NE(Refusal({"add-media", "--title", std::string(260, 't'), "--location", "L"}, 2)
                  .find("longer than 259"),
              std::string::npos);
}

TEST_F(ChangeTest, DelMediaAndItsRefusals) {
    EXPECT_EQ(RunTool({"del-media", "21"}).out, "deleted media item 21 \"Cartoon Hour\"\n");
    EXPECT_FALSE(std::filesystem::exists(infoPath("MVDB21-3.dat")));  // its info goes with it
    EXPECT_EQ(Refusal({"del-media", "3"}), "mvdb: category 1 forbids removing media\n");
    EXPECT_EQ(Refusal({"del-media", "21"}), "mvdb: media item 21 is deleted\n");
    EXPECT_EQ(Refusal({"del-media", "99"}), "mvdb: media item 99 does not exist\n");
    // An item filed in a category that is gone is bound by no flags.
    PutInt32(mediaFile(), MediaAt(Sample::kNightFilm) + 856, 9);
    EXPECT_EQ(RunTool({"del-media", "20"}).out, "deleted media item 20 \"Night Film\"\n");
}

TEST_F(ChangeTest, AddUserTakesThePasswordFromStandardInput) {
    const ToolRun run = RunTool({"add-user", "bob", "--level", "6", "--password-stdin"}, "pa55word\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "added the user \"bob\" as record 2\n");
    OpenDatabase db;
    EXPECT_EQ(LoginUser(db.get(), "bob", "pa55word"), 6);  // the library unscrambles what the tool scrambled
    EXPECT_EQ(LoginUser(db.get(), "bob", "pa55word\n"), 1);
}

TEST_F(ChangeTest, AddUserRefusals) {
    // No terminal to ask on, and never a password on the command line.
    EXPECT_NE(Refusal({"add-user", "carol"}, 2).find("--password-stdin"), std::string::npos);
    EXPECT_EQ(RunTool({"add-user", "carol", "--password", "x"}).exitCode, 2);
    const ToolRun again = RunTool({"add-user", "ALICE", "--password-stdin"}, "other\n");
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.err, "mvdb: the user \"ALICE\" exists already (record 1)\n");
    EXPECT_EQ(RunTool({"add-user", std::string(57, 'n'), "--password-stdin"}, "pw\n").exitCode, 2);
    EXPECT_EQ(RunTool({"add-user", "dave", "--password-stdin"}, std::string(60, 'p') + "\n").exitCode, 2);
}

TEST_F(ChangeTest, DelUserDeletesUsersOnly) {
    EXPECT_EQ(Refusal({"del-user", "0"}), "mvdb: record 0 (\"tv-box\") is a client, not a user\n");
    EXPECT_EQ(Refusal({"del-user", "5"}), "mvdb: record 5 does not exist\n");
    EXPECT_EQ(RunTool({"del-user", "1"}).out, "deleted the user \"alice\" (record 1)\n");
    EXPECT_TRUE(RunToolJson({"users"})["users"][0]["deleted"].get<bool>());
    // A deleted name can be added again: the record comes back.
    EXPECT_EQ(RunTool({"add-user", "alice", "--password-stdin"}, "new\n").out,
              "added the user \"alice\" as record 1\n");
}

TEST_F(ChangeTest, InitAsksUnlessTold) {
    EXPECT_NE(Refusal({"init"}, 2).find("--yes"), std::string::npos);
    EXPECT_EQ(RunToolJson({"status"})["counts"]["categories"]["live"], 4);  // nothing changed

    EXPECT_EQ(RunToolJson({"init", "--yes"}), json({{"categories", 2}, {"formatVersion", 1}, {"media", 20}}));
    const json counts = RunToolJson({"status"})["counts"];
    EXPECT_EQ(counts["categories"], json({{"live", 2}, {"deleted", 0}}));
    EXPECT_EQ(counts["media"], json({{"live", 20}, {"deleted", 0}}));
    EXPECT_EQ(counts["users"]["live"], 0);
    EXPECT_FALSE(std::filesystem::exists(infoPath("MVDB21-0.dat")));
    EXPECT_TRUE(RunToolJson({"check"})["sound"].get<bool>());
}

TEST_F(ChangeTest, AWrongCommandLineExitsWithTwo) {
    EXPECT_EQ(RunTool({}).exitCode, 2);
    EXPECT_EQ(RunTool({"frobnicate"}).exitCode, 2);
    EXPECT_EQ(RunTool({"del-media"}).exitCode, 2);
    EXPECT_EQ(RunTool({"del-media", "seven"}).exitCode, 2);
    const ToolRun help = RunTool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("add-category"), std::string::npos);
}

}  // namespace
}  // namespace mvdb::test
