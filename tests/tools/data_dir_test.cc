// --data-dir on POSIX: a database in a folder of the caller's choice,
// created when missing, with the host settings of the caller's registry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/temp_folder.h"
#include "support/test_database.h"
#include "tools/tool_runner.h"

namespace mvdb::test {
namespace {

using nlohmann::json;

class DataDirTest : public DatabaseTest {
protected:
    std::string dataDir() const { return (folder_.path() / "fresh" / "Data").string(); }
};

TEST_F(DataDirTest, CreatesTheFolderAndSeedsANewDatabaseThere) {
    const std::string registryBefore = ReadFileBytes(folder_ / "registry.reg");
    const json status = RunToolJson({"--data-dir", dataDir(), "status"});
    EXPECT_EQ(status["locations"]["origin"], "--data-dir " + dataDir());
    EXPECT_EQ(status["locations"]["categoryFile"], dataDir() + "/MVDBCAT.db");
    EXPECT_EQ(status["locations"]["infoFolder"], dataDir() + "/Info");
    EXPECT_EQ(status["counts"]["categories"]["live"], 2);
    EXPECT_EQ(status["counts"]["media"]["live"], 20);
    for (const char* name : {"MVDBCAT.db", "MVDBMF.db", "MVDBCLT.db", "Info"}) {
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(dataDir()) / name)) << name;
    }
    // The configured database and the caller's registry are left alone.
    EXPECT_FALSE(std::filesystem::exists(categoryFile()));
    EXPECT_EQ(ReadFileBytes(folder_ / "registry.reg"), registryBefore);
    // The option may follow the command, as --json may.
    EXPECT_EQ(RunToolJson({"categories", "--data-dir", dataDir()})["categories"].size(), 2u);
}

TEST_F(DataDirTest, KeepsTheHostNameAndChannelCountOfTheCallersRegistry) {
    UseFolder({{"DefaultChannels", uint32_t{2}}});
    ASSERT_EQ(RunToolJson({"--data-dir", dataDir(), "add-media", "--title", "T", "--location", "L"})["index"],
              2);
    const json items = RunToolJson({"--data-dir", dataDir(), "media"})["items"];
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0]["title"], "S-Video");
    EXPECT_EQ(items[1]["title"], "Composite");
    EXPECT_EQ(items[2]["hostName"], "mediaserver");
    EXPECT_EQ(RunToolJson({"--data-dir", dataDir(), "status"})["hostName"], "mediaserver");
}

TEST_F(DataDirTest, WithoutACallersRegistryTheHostIsUnnamed) {
    ::unsetenv("MVDB_REGISTRY");
    const json status = RunToolJson({"--data-dir", dataDir(), "status"});
    EXPECT_EQ(status["hostName"], "");
    EXPECT_EQ(status["counts"]["media"]["live"], 20);
}

TEST_F(DataDirTest, LeavesNoRegistryFileBehind) {
    const std::filesystem::path scratch = folder_.path() / "tmp";
    std::filesystem::create_directories(scratch);
    const std::string savedTmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    ::setenv("TMPDIR", scratch.c_str(), 1);
    const int exitCode = RunTool({"--data-dir", dataDir(), "status"}).exitCode;
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(scratch)) {
        if (entry.path().filename().string().rfind("mvdb-registry-", 0) == 0)
            left.push_back(entry.path().string());
    }
    savedTmp.empty() ? ::unsetenv("TMPDIR") : ::setenv("TMPDIR", savedTmp.c_str(), 1);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(left, std::vector<std::string>{});
}

TEST_F(DataDirTest, ReadingCommandsDoNotCreateTheFolder) {
    EXPECT_EQ(RunTool({"--data-dir", dataDir(), "check"}).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(dataDir()));
}

TEST_F(DataDirTest, RefusesAFolderTooLongForTheLibrarysPaths) {
    const std::string deep = (folder_.path() / std::string(250, 'd')).string();
    const ToolRun run = RunTool({"--data-dir", deep, "status"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("too long"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(deep));
}

}  // namespace
}  // namespace mvdb::test
