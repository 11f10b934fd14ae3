// The tool's helpers that need no database: times, registry text and
// locations, password scrambling, code pages, tables, the progress bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <sstream>

#include "cli/local_time.h"
#include "cli/locations.h"
#include "cli/progress_bar.h"
#include "cli/reg_text.h"
#include "cli/text_codec.h"
#include "cli/text_table.h"
#include "format/scramble.h"
#include "storage/account.h"

namespace mvdb::cli {
namespace {

class UtcTime : public ::testing::Test {
protected:
    void SetUp() override { SetZone("UTC0"); }
    void TearDown() override { SetZone(nullptr); }

private:
    static void SetZone(const char* zone) {
#if defined(_WIN32)
        _putenv_s("TZ", zone ? zone : "");
        _tzset();
#else
        zone ? ::setenv("TZ", zone, 1) : ::unsetenv("TZ");
        tzset();
#endif
    }
};

TEST_F(UtcTime, ParsesSecondsAndLocalDates) {
    const std::vector<std::pair<std::string, std::optional<int32_t>>> cases = {
        {"0", 0},
        {"1714588200", 1714588200},
        {"@1714588200", 1714588200},
        {"2024-05-01", 1714521600},
        {"2024-05-01 18:30", 1714588200},
        {"2024-05-01T18:30:15", 1714588215},
        {"2038-01-19 03:14:07", 2147483647},
        {"2038-01-19 03:14:08", std::nullopt},  // beyond 32 bits
        {"99999999999", std::nullopt},
        {"2024-13-01", std::nullopt},
        {"2024-05-01 25:00", std::nullopt},
        {"2024-05-01 18:30 ", std::nullopt},
        {"2024-05-01x", std::nullopt},
        {"yesterday", std::nullopt},
        {"", std::nullopt},
        {"@", std::nullopt},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(ParseTime(text), expected) << text;
    EXPECT_EQ(FormatLocalTime(1714588215), "2024-05-01 18:30:15");
    EXPECT_EQ(FormatLocalTime(0), "-");  // never
}

TEST(PasswordScramble, MatchesTheLibrarysScrambling) {
    for (const std::string plain : {"", "a", "s3cret", "aabb", "\xE9t\xE9"}) {
        const std::string scrambled = format::ScramblePassword(plain);
        std::string expected(plain.size() + 1, '\0');
        ScrambleBytes(reinterpret_cast<uint8_t*>(expected.data()),
                      reinterpret_cast<const uint8_t*>(plain.data()), static_cast<int32_t>(plain.size()));
        expected.resize(plain.size());
        EXPECT_EQ(scrambled, expected) << plain;
        EXPECT_EQ(format::UnscramblePassword(scrambled), plain);
    }
    EXPECT_EQ(format::ScramblePassword("aab"), std::string("\xC6\x00\x03", 3));  // repeats give zero bytes
}

TEST(RegText, ReadsWhatItWritesAndWhatPeopleWrite) {
    const RegistryValues folder = {{"DBCATEGORY", std::string("C:\\db\\\"odd\".db")},
                                   {"DefaultChannels", 2u}};
    const RegistryValues hostMan = {{"HostName", std::string("media")}};
    const auto keys = ParseRegText(WriteRegText(folder, hostMan));
    EXPECT_EQ(keys.at("software\\tarnwick\\marovale\\folder"), folder);
    EXPECT_EQ(keys.at("software\\tarnwick\\marovale\\hostman"), hostMan);

    const auto typed = ParseRegText(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "; a comment\r\n"
        "[HKLM\\Software\\Tarnwick\\Marovale\\Folder]\r\n"
        "\"DBMEDIA\" = \"/srv/MVDBMF.db\"\r\n"
        "\"DefaultChannels\"=dword:0000000C\r\n"
        "\"Broken\"=hex:00\r\n"
        "[HKEY_CURRENT_USER\\Software]\r\n"
        "\"Elsewhere\"=\"x\"\r\n");
    ASSERT_EQ(typed.size(), 1u);
    const RegistryValues& values = typed.begin()->second;
    EXPECT_EQ(StringValue(values, "dbmedia"), "/srv/MVDBMF.db");
    EXPECT_EQ(DwordValue(values, "DEFAULTCHANNELS"), 12u);
    EXPECT_EQ(StringValue(values, "Broken"), std::nullopt);
    EXPECT_TRUE(ParseRegText("[HKLM\\Software\\Tarnwick\\Marovale\\Folder]\n").empty());  // no header line
}

TEST(Locations, FollowTheLibrarysRules) {
#if defined(_WIN32)
    const std::string exe = "C:\\mvdb\\bin\\mvdb.exe";
    const std::string dataFolder = "C:\\mvdb\\bin\\Data\\";
    const std::string chosen = "C:\\data";
    const char separator = '\\';
#else
    const std::string exe = "/opt/mvdb/bin/mvdb";
    const std::string dataFolder = "/opt/mvdb/bin/Data/";
    const std::string chosen = "/data";
    const char separator = '/';
#endif
    const DatabaseLocations bare = ResolveLocations({std::nullopt, std::nullopt, "test"}, exe);
    EXPECT_EQ(bare.categoryFile, "MVDBCAT.db");
    EXPECT_EQ(bare.infoFolder, "");
    EXPECT_EQ(bare.hostName, "");

    const RegistryValues folder = {{"dbmedia", std::string("/srv/m.db")},
                                   {"DBHOST", std::string(260, 'x')},  // too long: the default
                                   {"DefaultChannels", 2u}};
    const DatabaseLocations set = ResolveLocations({folder, RegistryValues{}, "test"}, exe);
    EXPECT_EQ(set.mediaFile, "/srv/m.db");
    EXPECT_EQ(set.categoryFile, dataFolder + "MVDBCAT.db");
    EXPECT_EQ(set.clientFile, dataFolder + "MVDBCLT.db");
    EXPECT_EQ(set.infoFolder, dataFolder + "Info");
    EXPECT_EQ(set.defaultChannels, 2);
    EXPECT_EQ(set.hostName, "Unknown");  // the key without its value

    const MachineSettings data =
        DataFolderSettings(chosen, {folder, RegistryValues{{"HostName", std::string("h")}}, ""});
    const DatabaseLocations there = ResolveLocations(data, exe);
    EXPECT_EQ(there.mediaFile, chosen + separator + "MVDBMF.db");
    EXPECT_EQ(there.hostName, "h");
    EXPECT_EQ(there.defaultChannels, 2);
}

TEST(TextCodec, ConvertsBothCodePages) {
    const TextCodec japanese(932);
    const std::string live = "\x83\x89\x83\x43\x83\x75";  // the Japanese live-video name
    EXPECT_EQ(japanese.ToUtf8(live), "\xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x96");
    EXPECT_EQ(japanese.FromUtf8("\xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x96"), live);
    EXPECT_EQ(japanese.FromUtf8("\xC3\xA9"), std::nullopt);  // é has no Shift-JIS form
    const TextCodec western(1252);
    EXPECT_EQ(western.ToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(western.FromUtf8("caf\xC3\xA9"), "caf\xE9");
    EXPECT_EQ(western.FromUtf8("\xE3\x83\xA9"), std::nullopt);
    EXPECT_EQ(western.FromUtf8("bad \xC3"), std::nullopt);  // not UTF-8
    EXPECT_EQ(DisplayWidth("\xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x96"), 6u);
    EXPECT_EQ(DisplayWidth("caf\xC3\xA9"), 4u);
}

TEST(TextTable, AlignsByDisplayWidth) {
    TextTable table({{"id", TextTable::Align::kRight}, {"name"}, {"n", TextTable::Align::kRight}});
    table.AddRow({"7", "\xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x96", "1"});
    table.AddRow({"12", "ab", "100"});
    std::ostringstream out;
    const TextCodec codec(932);
    table.Print(out, codec);
    // Columns are laid out in UTF-8, then each line is converted for the console.
    EXPECT_EQ(out.str(), codec.Utf8ToDisplay("id  name      n\n"
                                             " 7  \xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x96    1\n"
                                             "12  ab      100\n"));
}

TEST(ProgressBar, DrawsOnlyWhenEnabledAndWipesItsLine) {
    std::ostringstream drawn;
    {
        ProgressBar bar(&drawn, true, "reading", 200);
        for (uint64_t done = 1; done <= 200; ++done) bar.Update(done);
    }
    const std::string text = drawn.str();
    // Once for each percentage from 0 to 100, then twice for the wipe.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 101 + 2);
    EXPECT_NE(text.find("reading [##############################] 100%"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 1), "\r");

    std::ostringstream quiet;
    ProgressBar off(&quiet, false, "reading", 200);
    off.Update(100);
    off.Finish();
    ProgressBar nowhere(nullptr, true, "reading", 200);
    nowhere.Update(100);
    EXPECT_EQ(quiet.str(), "");
}

}  // namespace
}  // namespace mvdb::cli
