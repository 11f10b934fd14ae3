// The listings: status, categories, media, clients, users and info, each on
// the sample database, as JSON and as text.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "cli/text_codec.h"
#include "support/temp_folder.h"
#include "tools/sample_database.h"
#include "tools/tool_runner.h"

namespace mvdb::test {
namespace {

using nlohmann::json;

class ListingTest : public SampleDatabaseTest {};

// The titles of the items of a `media --json` listing.
std::vector<std::string> Titles(const json& listing) {
    std::vector<std::string> titles;
    for (const json& item : listing["items"]) titles.push_back(item["title"]);
    return titles;
}

TEST_F(ListingTest, StatusNamesTheFilesAndCountsLiveAndDeletedRecords) {
    const json status = RunToolJson({"status"});
    EXPECT_EQ(status["locations"]["categoryFile"], categoryFile());
    EXPECT_EQ(status["locations"]["mediaFile"], mediaFile());
    EXPECT_EQ(status["locations"]["clientFile"], clientFile());
    EXPECT_EQ(status["locations"]["infoFolder"], infoFolder());
    EXPECT_EQ(status["hostName"], "mediaserver");
    EXPECT_EQ(status["codePage"], cli::DatabaseCodePage());
    EXPECT_TRUE(status["writer"].get<bool>());
    EXPECT_EQ(status["countsFrom"], "library");
    const json expected = {{"categories", {{"live", 4}, {"deleted", 1}}},
                           {"media", {{"live", 22}, {"deleted", 1}}},
                           {"clients", {{"live", 1}, {"deleted", 0}}},
                           {"users", {{"live", 1}, {"deleted", 0}}}};
    EXPECT_EQ(status["counts"], expected);
}

TEST_F(ListingTest, StatusCountsFromTheFilesWhileAnotherProgramHoldsTheDatabase) {
    OpenDatabase server;
    ASSERT_TRUE(server.ok());
    const json status = RunToolJson({"status"});
    EXPECT_FALSE(status["writer"].get<bool>());
    EXPECT_EQ(status["countsFrom"], "files");
    EXPECT_EQ(status["counts"]["categories"]["deleted"], 1);
    EXPECT_EQ(status["counts"]["media"]["live"], 22);
    EXPECT_EQ(status["counts"]["users"]["live"], 1);
    // A change needs the library's handle and says why it cannot go on.
    const ToolRun run = RunTool({"add-category", "New", "--parent", "0"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("open in another program"), std::string::npos) << run.err;
}

// The listings read a copy of the files while another program holds the
// database, say so, and show what the holder has written.
TEST_F(ListingTest, ListingsReadTheFilesWhileAnotherProgramHoldsTheDatabase) {
#if defined(_WIN32)
    GTEST_SKIP()
        << "Windows keeps the database to one program with machine-wide mutexes, which a copy shares";
#endif
    std::map<std::string, json> free;
    const std::vector<std::vector<std::string>> listings = {
        {"categories"}, {"media"}, {"media", "--find", "night"}, {"clients"}, {"users"}, {"info", "21"}};
    for (const auto& args : listings) free[args.back()] = RunToolJson(args);
    OpenDatabase server;
    ASSERT_TRUE(server.ok());
    for (const auto& args : listings) {
        std::vector<std::string> withJson = args;
        withJson.push_back("--json");
        const ToolRun run = RunTool(withJson);
        EXPECT_EQ(run.exitCode, 0) << args[0] << ": " << run.err;
        EXPECT_NE(run.err.find("another program has the database open"), std::string::npos) << run.err;
        EXPECT_EQ(json::parse(run.out, nullptr, false), free[args.back()]) << args[0];
    }
    // Saving a piece of info works from the copy too.
    const ToolRun piece = RunTool({"info", "21", "3", "--out", "-"});
    EXPECT_EQ(piece.exitCode, 0) << piece.err;
    EXPECT_EQ(piece.out.size(), 10u);
}

TEST_F(ListingTest, CategoriesShowFlagBitsNoNameIsKnownFor) {
    ASSERT_EQ(RunTool({"add-category", "Odd", "--parent", "0", "--flags", "80000020"}).exitCode, 0);
    const json categories = RunToolJson({"categories"})["categories"];
    const json& odd = categories.back();
    ASSERT_EQ(odd["name"], "Odd");
    EXPECT_EQ(odd["flagNames"], json({"no-removal", "unknown 0x80000000"}));
    const ToolRun text = RunTool({"categories"});
    EXPECT_NE(text.out.find("0x80000020 (no-removal, unknown 0x80000000)"), std::string::npos) << text.out;
}

TEST_F(ListingTest, CategoriesComeInTreeOrderWithDepthsAndItemCounts) {
    const json categories = RunToolJson({"categories"})["categories"];
    ASSERT_EQ(categories.size(), 4u);  // the deleted one is not shown
    const std::vector<std::tuple<int, std::string, int, int>> expected = {
        {0, "Root", 0, 0}, {1, LiveVideoName(), 1, 20}, {2, "Films", 1, 1}, {3, "Kids", 2, 1}};
    for (size_t i = 0; i < expected.size(); ++i) {
        const auto& [id, name, depth, items] = expected[i];
        EXPECT_EQ(categories[i]["categoryId"], id);
        EXPECT_EQ(categories[i]["name"], name);
        EXPECT_EQ(categories[i]["depth"], depth);
        EXPECT_EQ(categories[i]["items"], items);
        EXPECT_TRUE(categories[i]["reachable"].get<bool>());
    }
    EXPECT_EQ(categories[1]["flagNames"], json({"system", "no-removal", "no-addition", "live-video"}));
    if (!InWesternCodePage()) return;

    const ToolRun text = RunTool({"categories"});
    EXPECT_EQ(text.out,
              "id  items  name          flags\n"
              " 0      0  Root          0x1 (system)\n"
              " 1     20    Live Video  0x1061 (system, no-removal, no-addition, live-video)\n"
              " 2      1    Films       0x0\n"
              " 3      1      Kids      0x0\n");
}

TEST_F(ListingTest, MediaFiltersByCategoryTimeAndText) {
    EXPECT_EQ(RunToolJson({"media"})["items"].size(), 22u);  // not the deleted one
    EXPECT_EQ(Titles(RunToolJson({"media", "--category", "3"})), std::vector<std::string>{"Cartoon Hour"});
    // Seeded channels carry the time 0; the two added items carry the time of their addition.
    EXPECT_EQ(Titles(RunToolJson({"media", "--changed-since", "1"})),
              (std::vector<std::string>{"Night Film", "Cartoon Hour"}));
    EXPECT_EQ(Titles(RunToolJson({"media", "--changed-since", "2038-01-01"})), std::vector<std::string>{});
    // Any case, in the title or the location or the key.
    EXPECT_EQ(Titles(RunToolJson({"media", "--find", "NIGHT"})), std::vector<std::string>{"Night Film"});
    EXPECT_EQ(Titles(RunToolJson({"media", "--find", "file://cartoon"})),
              std::vector<std::string>{"Cartoon Hour"});
    EXPECT_EQ(Titles(RunToolJson({"media", "--find", "night-KEY"})), std::vector<std::string>{"Night Film"});
    EXPECT_EQ(Titles(RunToolJson({"media", "--find", "o", "--category", "2"})), std::vector<std::string>{});
    EXPECT_EQ(Titles(RunToolJson({"media", "--find", "gone"})), std::vector<std::string>{});  // deleted

    const json item = RunToolJson({"media", "--category", "2"})["items"][0];
    EXPECT_EQ(item["index"], Sample::kNightFilm);
    EXPECT_EQ(item["location"], "file://Night Film");
    EXPECT_EQ(item["hostName"], "mediaserver");
    EXPECT_EQ(item["mediaType"], 0x100);
}

TEST_F(ListingTest, MediaRefusesABadTimeAndAMissingCategory) {
    const ToolRun badTime = RunTool({"media", "--changed-since", "yesterday"});
    EXPECT_EQ(badTime.exitCode, 2);
    EXPECT_NE(badTime.err.find("is not a time"), std::string::npos);
    const ToolRun missing = RunTool({"media", "--category", "9"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.err, "mvdb: category 9 does not exist\n");
    EXPECT_EQ(RunTool({"media", "--category", "4"}).err, "mvdb: category 4 is deleted\n");
}

TEST_F(ListingTest, MediaTableShowsTheChosenColumns) {
    const ToolRun run = RunTool({"media", "--category", "1", "--find", "channel05"});
    EXPECT_EQ(run.out,
              "index  title      location  category   type  flags  updated\n"
              "    4  Channel05  LIVE:TV5         1  0x300    0x0  -\n");
}

TEST_F(ListingTest, ClientsAndUsersAreListedApartWithoutPasswords) {
    const json clients = RunToolJson({"clients"})["clients"];
    ASSERT_EQ(clients.size(), 1u);
    EXPECT_EQ(clients[0]["name"], "tv-box");
    EXPECT_TRUE(clients[0]["user"].is_null());

    const json users = RunToolJson({"users"})["users"];
    ASSERT_EQ(users.size(), 1u);
    EXPECT_EQ(users[0]["index"], 1);
    EXPECT_EQ(users[0]["user"]["name"], "alice");
    EXPECT_EQ(users[0]["user"]["level"], 4);
    EXPECT_FALSE(users[0]["deleted"].get<bool>());

    for (const char* command : {"users", "clients"}) {
        for (const std::string& output : {RunTool({command}).out, RunTool({command, "--json"}).out}) {
            EXPECT_EQ(output.find("s3cret"), std::string::npos);
            EXPECT_EQ(output.find("\"password\""), std::string::npos);
        }
    }
    EXPECT_NE(RunTool({"users"}).out.find("    1  alice      4  live"), std::string::npos);
}

TEST_F(ListingTest, InfoListsThePiecesAndSavesOne) {
    const json info = RunToolJson({"info", "21"});
    EXPECT_EQ(info["pieces"], json::parse(R"([{"number":0,"type":0,"size":5,"fileMissing":false},
                                              {"number":3,"type":3,"size":10,"fileMissing":false}])"));
    EXPECT_EQ(RunToolJson({"info", "20"})["pieces"], json::array());

    const std::string out = folder_ / "piece.bin";
    const json saved = RunToolJson({"info", "21", "3", "--out", out});
    EXPECT_EQ(saved["size"], 10);
    EXPECT_EQ(ReadFileBytes(out), "0123456789");
    EXPECT_EQ(RunTool({"info", "21", "0", "--out", "-"}).out, "hello");
}

TEST_F(ListingTest, InfoExplainsWhatIsMissing) {
    std::filesystem::remove(infoPath("MVDB21-3.dat"));
    EXPECT_TRUE(RunToolJson({"info", "21"})["pieces"][1]["fileMissing"].get<bool>());
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"info", "21", "3", "--out", folder_ / "x"},
         "mvdb: item 21 info 3: there is no such info, or its file is missing\n"},
        {{"info", "21", "9", "--out", folder_ / "x"}, "mvdb: item 21 info 9: no such info number"},
        {{"info", "99"}, "mvdb: media item 99 does not exist\n"},
        {{"info", "22"}, "mvdb: media item 22 is deleted\n"},
    };
    for (const auto& [args, message] : cases) {
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.exitCode, 1) << args[1] << " " << args[2];
        EXPECT_EQ(run.err.rfind(message, 0), 0u) << run.err;
    }
    EXPECT_EQ(RunTool({"info", "21", "3"}).exitCode, 2);  // where to?
}

// A listing never causes a reset: when opening would replace a damaged
// file with a fresh one, the read-only commands refuse and point to
// `mvdb check`, and every file stays exactly as it was.
TEST_F(ListingTest, ReadOnlyCommandsRefuseToOpenAFileTheLibraryWouldReplace) {
    const auto patched = [](std::string bytes, size_t at, const std::string& with) {
        bytes.replace(at, with.size(), with);
        return bytes;
    };
    const std::string category = ReadFileBytes(categoryFile());
    const std::string media = ReadFileBytes(mediaFile());
    const std::string client = ReadFileBytes(clientFile());
    struct Damage {
        const char* name;
        std::string file;
        std::string bytes;
    };
    const std::vector<Damage> damages = {
        {"category file with a wrong magic", categoryFile(), patched(category, 0, "m")},
        {"media file cut inside its account block", mediaFile(), media.substr(0, 100)},
        {"client file with a damaged account block", clientFile(),
         patched(client, kAccountPasswordLengthAt, std::string("\x46\0\0\0", 4))},
    };
    const std::vector<std::vector<std::string>> commands = {{"status"},  {"categories"}, {"media"},
                                                            {"clients"}, {"users"},      {"info", "21"}};
    for (const Damage& damage : damages) {
        WriteFileBytes(damage.file, damage.bytes);
        for (const std::vector<std::string>& command : commands) {
            SCOPED_TRACE(std::string(damage.name) + ": " + command[0]);
            const ToolRun run = RunTool(command);
            EXPECT_EQ(run.exitCode, 2);
            EXPECT_NE(run.err.find("mvdb check"), std::string::npos) << run.err;
            EXPECT_EQ(ReadFileBytes(damage.file), damage.bytes);
        }
        // Restored, the database lists again.
        WriteFileBytes(categoryFile(), category);
        WriteFileBytes(mediaFile(), media);
        WriteFileBytes(clientFile(), client);
        EXPECT_EQ(RunTool({"categories"}).exitCode, 0) << damage.name;
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
        EXPECT_EQ(entry.path().filename().string().find(".damaged-"), std::string::npos) << entry.path();
    }
}

}  // namespace
}  // namespace mvdb::test
