// `mvdb dump`: every record of a file, decoded straight from the disk.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "support/container_bytes.h"
#include "support/temp_folder.h"
#include "tools/sample_database.h"
#include "tools/tool_runner.h"

namespace mvdb::test {
namespace {

using nlohmann::json;

class DumpTest : public SampleDatabaseTest {};

TEST_F(DumpTest, CategoriesWithTheirHeader) {
    const json dump = RunToolJson({"dump", categoryFile()});
    EXPECT_EQ(dump["catalogue"], "category");
    EXPECT_EQ(dump["recordSize"], 592);
    EXPECT_EQ(dump["header"]["magicValid"], true);
    EXPECT_EQ(dump["header"]["count"], 5);
    EXPECT_EQ(dump["header"]["recordsHeld"], 5);
    ASSERT_EQ(dump["records"].size(), 5u);
    const json& old = dump["records"][4];
    EXPECT_EQ(old["name"], "Old");
    EXPECT_EQ(old["deleted"], true);  // tombstones are shown: dump is for looking at the file
    EXPECT_EQ(old["position"], 4);
    EXPECT_EQ(dump["records"][3]["parentId"], Sample::kFilms);
}

TEST_F(DumpTest, MediaWithTheirInfoAreas) {
    const json records = RunToolJson({"dump", mediaFile()})["records"];
    ASSERT_EQ(records.size(), 23u);
    EXPECT_EQ(records[0]["title"], "Channel01");
    EXPECT_EQ(records[0]["info"], json({{"mode", 0}, {"text", ""}}));
    const json& cartoon = records[Sample::kCartoon];
    EXPECT_EQ(cartoon["title"], "Cartoon Hour");
    EXPECT_EQ(cartoon["info"]["mode"], 1);
    EXPECT_EQ(cartoon["info"]["pieces"],
              json::parse(R"([{"number":0,"type":0,"size":5},{"number":3,"type":3,"size":10}])"));
    EXPECT_TRUE(records[Sample::kGone]["deleted"].get<bool>());
}

TEST_F(DumpTest, ClientsShowTheAccountNameButNoPassword) {
    {
        OpenDatabase db;  // an account with a password, written into the files by a reset
        DBAccount account{};
        std::snprintf(account.userName, sizeof account.userName, "admin");
        std::snprintf(account.password, sizeof account.password, "t0psecret");
        ASSERT_EQ(SetDBAccount(db.get(), &account), 0);
        ASSERT_EQ(InitializeDB(db.get()), 0);
        DBAccount user{};
        std::snprintf(user.userName, sizeof user.userName, "eve");
        ASSERT_EQ(AddUser(db.get(), &user), 0);
    }
    const ToolRun run = RunTool({"dump", clientFile(), "--json"});
    const json dump = json::parse(run.out);
    EXPECT_EQ(dump["header"]["accountUserName"], "admin");
    EXPECT_EQ(dump["records"][0]["user"]["name"], "eve");
    EXPECT_EQ(run.out.find("t0psecret"), std::string::npos);
    EXPECT_EQ(RunTool({"dump", clientFile()}).out.find("t0psecret"), std::string::npos);
}

TEST_F(DumpTest, TableOutput) {
    const ToolRun run = RunTool({"dump", categoryFile()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, Displayed("file       " + categoryFile() +
                                 "\n"
                                 "catalogue  category (592-byte records)\n"
                                 "magic      \"Marovale data base ver 0.9\"\n"
                                 "account    \"\"\n"
                                 "count      5 (the file holds 5)\n"
                                 "\n"
                                 "pos  id  parent  status   flags  name\n"
                                 "  0   0      -1     0x0     0x1  Root\n"
                                 "  1   1       0     0x0  0x1061  " +
                                 LiveVideoName() +
                                 "\n"
                                 "  2   2       0     0x0     0x0  Films\n"
                                 "  3   3       2     0x0     0x0  Kids\n"
                                 "  4   4       0     0x4     0x0  Old\n"));
}

TEST_F(DumpTest, DamagedFilesAreDecodedAsFarAsTheyGo) {
    PutBytes(categoryFile(), 0, "X");
    PutInt32(categoryFile(), kCountOffset, 9);
    const json dump = RunToolJson({"dump", categoryFile()});
    EXPECT_FALSE(dump["header"]["magicValid"].get<bool>());
    EXPECT_EQ(dump["header"]["magic"], "Xarovale data base ver 0.9");
    EXPECT_EQ(dump["header"]["count"], 9);
    EXPECT_EQ(dump["records"].size(), 5u);  // what the file holds

    Truncate(clientFile(), 60);  // the account block ends before the user name does
    const json cut = RunToolJson({"dump", clientFile()});
    EXPECT_TRUE(cut["header"]["accountUserName"].is_null());
    EXPECT_TRUE(cut["header"]["count"].is_null());
    EXPECT_EQ(cut["records"], json::array());
}

TEST_F(DumpTest, TellsTheCatalogueOrIsTold) {
    const std::string copy = folder_ / "copy.bin";
    std::filesystem::copy_file(mediaFile(), copy);
    EXPECT_EQ(RunToolJson({"dump", copy})["catalogue"], "media");
    EXPECT_EQ(RunToolJson({"dump", copy, "--type", "client"})["catalogue"], "client");
    WriteFileBytes(copy, "not a database");
    EXPECT_EQ(RunTool({"dump", copy}).exitCode, 2);
    EXPECT_EQ(RunTool({"dump", folder_ / "missing.db"}).exitCode, 2);
    EXPECT_EQ(RunTool({"dump", copy, "--type", "films"}).exitCode, 2);
}

class LargeFileTest : public DumpTest {
protected:
    // 4000 media elements: about 4.9 MB, large enough for a progress bar.
    std::string WriteLargeMediaFile() {
        const int32_t count = 4000;
        std::string records(static_cast<size_t>(count) * kMediaElementBytes, '\0');
        for (int32_t i = 0; i < count; ++i) {
            MediaInfo info{};
            info.recordSize = sizeof info;
            info.recordIndex = i;
            std::memcpy(records.data() + static_cast<size_t>(i) * kMediaElementBytes, &info, sizeof info);
        }
        const std::filesystem::path folder = folder_.path() / "big";
        std::filesystem::create_directories(folder);
        const std::string path = (folder / "MVDBMF.db").string();
        WriteFileBytes(path, ContainerBytes(DBAccount{}, count, records));
        return path;
    }
};

TEST_F(LargeFileTest, NoProgressBarWhenTheOutputIsNotATerminal) {
    const std::string big = WriteLargeMediaFile();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"dump", big}, {"dump", big, "--json"}, {"check", big}}) {
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.exitCode, 0) << args[0];
        EXPECT_EQ(run.err, "") << args[0];
    }
}

#if !defined(_WIN32)
TEST_F(LargeFileTest, AProgressBarOnATerminal) {
    if (!std::filesystem::exists("/usr/bin/script")) GTEST_SKIP() << "script(1) gives the terminal";
    const std::string big = WriteLargeMediaFile();
    // script(1) runs the tool on a pseudo-terminal and copies what it shows.
    const std::string shown = folder_ / "shown.txt";
    const std::string command =
        "/usr/bin/script -qec \"'" MVDB_TOOL_PATH "' check '" + big + "'\" /dev/null > '" + shown + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string text = ReadFileBytes(shown);
    EXPECT_NE(text.find("checking " + big + " [##############################] 100%"), std::string::npos)
        << text;
    EXPECT_NE(text.find("checked 1 file, 4000 records: sound"), std::string::npos) << text;
}
#endif

}  // namespace
}  // namespace mvdb::test
