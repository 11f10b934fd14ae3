// --data-dir on POSIX: a database in a folder of the caller's choice, with
// the host settings of the caller's registry, made only when asked for.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST_F(DataDirTest, CreatesTheFolderAndSeedsANewDatabaseThereWhenAsked) {
    const std::string registryBefore = ReadFileBytes(folder_ / "registry.reg");
    const json status = RunToolJson({"--data-dir", dataDir(), "--create", "status"});
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
    ASSERT_EQ(RunToolJson({"--data-dir", dataDir(), "--create", "add-media", "--title", "T", "--location",
                           "L"})["index"],
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
    const json status = RunToolJson({"--data-dir", dataDir(), "init", "--yes"});
    ASSERT_EQ(status["categories"], 2);
    EXPECT_EQ(RunToolJson({"--data-dir", dataDir(), "status"})["hostName"], "");
    EXPECT_EQ(RunToolJson({"--data-dir", dataDir(), "status"})["counts"]["media"]["live"], 20);
}

TEST_F(DataDirTest, LeavesNoRegistryFileBehind) {
    const std::filesystem::path scratch = folder_.path() / "tmp";
    std::filesystem::create_directories(scratch);
    const std::string savedTmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    ::setenv("TMPDIR", scratch.c_str(), 1);
    const int exitCode = RunTool({"--data-dir", dataDir(), "--create", "status"}).exitCode;
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

// A mistyped folder must not become a new, empty database: only `init` or
// --create makes one.
TEST_F(DataDirTest, NeverCreatesADatabaseUnasked) {
    std::filesystem::create_directories(folder_.path() / "empty");
    const std::string empty = (folder_.path() / "empty").string();
    for (const std::string& folder : {dataDir(), empty}) {
        for (const std::vector<std::string>& command : {std::vector<std::string>{"status"},
                                                        {"categories"},
                                                        {"add-media", "--title", "T", "--location", "L"}}) {
            std::vector<std::string> args = {"--data-dir", folder};
            args.insert(args.end(), command.begin(), command.end());
            const ToolRun run = RunTool(args);
            EXPECT_EQ(run.exitCode, 2) << folder << " " << command[0];
            EXPECT_NE(run.err.find("init` or add --create"), std::string::npos) << run.err;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dataDir()));
    EXPECT_TRUE(std::filesystem::is_empty(empty));
    // init makes it.
    EXPECT_EQ(RunToolJson({"--data-dir", dataDir(), "init", "--yes"})["categories"], 2);
    EXPECT_EQ(RunToolJson({"--data-dir", dataDir(), "status"})["counts"]["categories"]["live"], 2);
}

// A change the library could only keep in memory is refused, naming what
// cannot be written; it never reports success.
TEST_F(DataDirTest, AFolderThatCannotBeWrittenIsNamedAndNothingIsAdded) {
    // Not even root can make files in /proc.
    const ToolRun proc = RunTool(
        {"--data-dir", "/proc/self/fdinfo", "--create", "add-media", "--title", "T", "--location", "L"});
    EXPECT_EQ(proc.exitCode, 1);
    EXPECT_EQ(proc.out.find("added"), std::string::npos) << proc.out;
    EXPECT_NE(proc.err.find("the data folder /proc/self/fdinfo cannot be written"), std::string::npos)
        << proc.err;
    EXPECT_EQ(proc.err.find("another program"), std::string::npos) << proc.err;

    if (::geteuid() == 0) GTEST_SKIP() << "permission bits do not stop root";
    ASSERT_EQ(RunTool({"--data-dir", dataDir(), "init", "--yes"}).exitCode, 0);
    const std::string media = dataDir() + "/MVDBMF.db";
    const std::string before = ReadFileBytes(media);
    ::chmod(media.c_str(), 0444);
    const ToolRun file = RunTool({"--data-dir", dataDir(), "add-media", "--title", "T", "--location", "L"});
    EXPECT_EQ(file.exitCode, 1);
    EXPECT_NE(file.err.find("the database file " + media + " cannot be written"), std::string::npos)
        << file.err;
    ::chmod(media.c_str(), 0644);
    ::chmod(dataDir().c_str(), 0555);
    const ToolRun folder = RunTool({"--data-dir", dataDir(), "add-media", "--title", "T", "--location", "L"});
    ::chmod(dataDir().c_str(), 0755);
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_NE(folder.err.find("the data folder " + dataDir() + " cannot be written"), std::string::npos)
        << folder.err;
    EXPECT_EQ(ReadFileBytes(media), before);
}

TEST_F(DataDirTest, ALockFolderThatCannotBeUsedIsNamed) {
    ASSERT_EQ(RunTool({"--data-dir", dataDir(), "init", "--yes"}).exitCode, 0);
    const std::string saved = std::getenv("MVDB_LOCK_DIR") ? std::getenv("MVDB_LOCK_DIR") : "";
    // Below a file: no one can make that folder.
    ::setenv("MVDB_LOCK_DIR", "/dev/null/mvdb-locks", 1);
    const ToolRun change = RunTool({"--data-dir", dataDir(), "add-media", "--title", "T", "--location", "L"});
    const ToolRun status = RunTool({"--data-dir", dataDir(), "status"});
    saved.empty() ? ::unsetenv("MVDB_LOCK_DIR") : ::setenv("MVDB_LOCK_DIR", saved.c_str(), 1);
    for (const ToolRun& run : {change, status}) {
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("the lock folder /dev/null/mvdb-locks"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("another program"), std::string::npos) << run.err;
    }
}

TEST_F(DataDirTest, RefusesAFolderTooLongForTheLibrarysPaths) {
    const std::string deep = (folder_.path() / std::string(250, 'd')).string();
    const ToolRun run = RunTool({"--data-dir", deep, "--create", "status"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("too long"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(deep));
}

}  // namespace
}  // namespace mvdb::test
