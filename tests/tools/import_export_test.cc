// `mvdb export` and `mvdb import`: the catalogue as JSON Lines and back,
// one change for a whole file, a bad line named by its number with nothing
// imported.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/temp_folder.h"
#include "tools/sample_database.h"
#include "tools/tool_runner.h"

namespace mvdb::test {
namespace {

using nlohmann::json;

class ImportExportTest : public SampleDatabaseTest {
protected:
    std::string Path(const std::string& name) const { return (folder_.path() / name).string(); }
    std::string Export(const std::vector<std::string>& where = {}) {
        std::vector<std::string> args = where;
        args.push_back("export");
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run.out;
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::vector<json> Lines(const std::string& text) {
        std::vector<json> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines.push_back(json::parse(line));
        return lines;
    }
};

TEST_F(ImportExportTest, ExportWritesEveryRecordAsOneVersionedObjectALine) {
    const std::vector<json> lines = Lines(Export());
    // 5 categories, 23 media items, 1 client and 1 user, deleted ones included.
    ASSERT_EQ(lines.size(), 5u + 23u + 2u);
    std::map<std::string, int> kinds;
    for (const json& line : lines) {
        EXPECT_EQ(line["formatVersion"], 1);
        ++kinds[line["kind"]];
    }
    EXPECT_EQ(kinds["category"], 5);
    EXPECT_EQ(kinds["media"], 23);
    EXPECT_EQ(kinds["client"], 1);
    EXPECT_EQ(kinds["user"], 1);
    EXPECT_EQ(lines[5 + Sample::kNightFilm]["title"], "Night Film");
    EXPECT_EQ(lines[5 + Sample::kGone]["deleted"], true);
    EXPECT_EQ(lines.back()["user"]["name"], "alice");
}

#if !defined(_WIN32)
// Only the POSIX build can point the tool at a second database (--data-dir).
TEST_F(ImportExportTest, ExportThenImportIntoANewDatabaseGivesTheSameCatalogue) {
    const std::string exported = Export();
    Write(Path("catalogue.jsonl"), exported);
    const std::string fresh = Path("fresh");
    const json done =
        RunToolJson({"--data-dir", fresh, "--create", "import", "--replace", Path("catalogue.jsonl")});
    EXPECT_EQ(done["imported"]["media"], 23);
    EXPECT_EQ(done["formatVersion"], 1);
    EXPECT_EQ(Export({"--data-dir", fresh}), exported);
    // The user came along, her scrambled password in "clientData".
    const json users = RunToolJson({"--data-dir", fresh, "users"});
    EXPECT_EQ(users["users"].size(), 1u);
}
#endif

TEST_F(ImportExportTest, AppendingAddsTheFilesItemsAfterTheLast) {
    Write(Path("more.jsonl"),
          "{\"kind\":\"category\",\"categoryId\":2,\"name\":\"Films\",\"formatVersion\":1}\n"
          "\n"
          "{\"kind\":\"media\",\"title\":\"Day Film\",\"location\":\"/films/day.ts\",\"categoryId\":2}\n"
          "{\"kind\":\"media\",\"title\":\"Old\",\"location\":\"/films/old.ts\",\"deleted\":true}\n"
          "{\"kind\":\"client\",\"name\":\"radio\"}\n");
    const ToolRun run = RunTool({"import", Path("more.jsonl")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<json> lines = Lines(Export());
    // The category line only names one that exists; the deleted item is skipped.
    ASSERT_EQ(lines.size(), 5u + 24u + 3u);
    const json& added = lines[5 + 23];
    EXPECT_EQ(added["title"], "Day Film");
    EXPECT_EQ(added["recordIndex"], 23);
    EXPECT_EQ(added["categoryId"], 2);
    EXPECT_EQ(added["hostName"], "mediaserver");
    EXPECT_GT(added["updateTime"], 0);
    EXPECT_EQ(RunToolJson({"clients"})["clients"].size(), 2u);
}

TEST_F(ImportExportTest, ABadLineIsNamedByItsNumberAndNothingIsImported) {
    const std::string good = "{\"kind\":\"media\",\"title\":\"A\",\"location\":\"/a.ts\"}\n";
    const struct {
        std::string third;
        std::string message;
    } cases[] = {
        {"{\"kind\":\"media\",", "line 3: not JSON"},
        {"[1,2]", "line 3: not a JSON object"},
        {"{\"title\":\"x\"}", "line 3: \"kind\" is missing"},
        {"{\"kind\":\"song\"}", "line 3: unknown kind \"song\""},
        {"{\"kind\":\"media\",\"title\":\"x\"}", "line 3: \"location\" is missing"},
        {"{\"kind\":\"media\",\"location\":\"/b\",\"categoryId\":\"two\"}",
         "line 3: \"categoryId\" is not a whole number"},
        {"{\"kind\":\"media\",\"location\":\"" + std::string(300, 'x') + "\"}",
         "line 3: \"location\" is longer than 259 bytes"},
        {"{\"kind\":\"media\",\"location\":\"/b\",\"formatVersion\":2}", "line 3: formatVersion 2 is not 1"},
        {"{\"kind\":\"media\",\"location\":\"/b\",\"categoryId\":9}", "line 3: category 9 does not exist"},
        {"{\"kind\":\"media\",\"location\":\"/b\",\"categoryId\":1}",
         "line 3: category 1 forbids adding media"},
        {"{\"kind\":\"client\",\"name\":\"TV-BOX\"}", "line 3: a live record of that name exists already"},
        {"{\"kind\":\"user\",\"name\":\"bob\"}", "line 3: a user's name starts with"},
    };
    const std::string before = Export();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.third);
        Write(Path("bad.jsonl"), good + good + c.third + "\n" + good);
        const ToolRun run = RunTool({"import", Path("bad.jsonl")});
        EXPECT_NE(run.exitCode, 0);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("nothing was imported"), std::string::npos) << run.err;
    }
    EXPECT_EQ(Export(), before);
}

}  // namespace
}  // namespace mvdb::test
