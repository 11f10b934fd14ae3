// `mvdb check`: finds each kind of damage in the files, and nothing in a
// sound database; exits 0, 1 or 2.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "format/journal_frame.h"
#include "support/temp_folder.h"
#include "tools/sample_database.h"
#include "tools/tool_runner.h"

namespace mvdb::test {
namespace {

using nlohmann::json;

class CheckCommandTest : public SampleDatabaseTest {
protected:
    json CheckAll(int expectedExit) {
        return RunToolJson({"check", categoryFile(), mediaFile(), clientFile()}, expectedExit);
    }
};

TEST_F(CheckCommandTest, ASoundDatabaseHasNoFindings) {
    // The configured files, and the same files named on the command line
    // (the info folder is then found beside the media file).
    for (const json& report : {RunToolJson({"check"}), CheckAll(0)}) {
        EXPECT_TRUE(report["sound"].get<bool>());
        EXPECT_EQ(report["findings"], json::array());
        ASSERT_EQ(report["files"].size(), 3u);
        EXPECT_EQ(report["files"][0]["catalogue"], "category");
        EXPECT_EQ(report["files"][0]["records"], 5);
        EXPECT_EQ(report["files"][1]["catalogue"], "media");
        EXPECT_EQ(report["files"][1]["records"], 23);
        EXPECT_EQ(report["files"][2]["catalogue"], "client");
    }
    const ToolRun text = RunTool({"check"});
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_EQ(text.out, "checked 3 files, 30 records: sound\n");
}

TEST_F(CheckCommandTest, ReadsTheFilesWhileAnotherProgramHasTheDatabaseOpen) {
    OpenDatabase server;
    ASSERT_TRUE(server.ok());
    EXPECT_TRUE(RunToolJson({"check"})["sound"].get<bool>());
}

// A journal that a crash left with a change in it: the files may miss it.
TEST_F(CheckCommandTest, ReportsAJournalWithChangesToReplay) {
    const std::string journal =
        (std::filesystem::path(mediaFile()).parent_path() / format::kJournalFileName).string();
    format::JournalChange change;
    change.writes.push_back({format::JournalFile::kMedia, 0, {'M'}});
    std::vector<uint8_t> bytes = format::EncodeJournalHeader(7);
    const std::vector<uint8_t> frame = format::EncodeFrame(7, 1, change);
    bytes.insert(bytes.end(), frame.begin(), frame.end());
    WriteFileBytes(journal, std::string(bytes.begin(), bytes.end()));

    const json report = RunToolJson({"check"}, 1);
    ASSERT_EQ(report["findings"].size(), 1u);
    EXPECT_EQ(report["findings"][0]["file"], journal);
    EXPECT_NE(report["findings"][0]["message"].get<std::string>().find("1 change(s) in the journal"),
              std::string::npos);

    // A torn frame is no change: nothing to replay.
    bytes.resize(bytes.size() - 1);
    WriteFileBytes(journal, std::string(bytes.begin(), bytes.end()));
    EXPECT_TRUE(RunToolJson({"check"})["sound"].get<bool>());

    const json status = RunToolJson({"status"});
    EXPECT_EQ(status["journal"]["bytes"], bytes.size());
    EXPECT_EQ(status["journal"]["pendingChanges"], 0);
}

struct Damage {
    const char* name;
    std::function<void(const DatabaseFiles&)> apply;
    std::string DatabaseFiles::*file;  // where the finding is
    std::optional<uint64_t> record;
    const char* message;  // part of the one finding expected
};

void PrintTo(const Damage& damage, std::ostream* out) { *out << damage.name; }

class CheckDamageTest : public CheckCommandTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(CheckDamageTest, FindsTheDamageAndNothingElse) {
    const Damage& damage = GetParam();
    damage.apply(files());
    const json report = CheckAll(1);
    EXPECT_FALSE(report["sound"].get<bool>());
    ASSERT_EQ(report["findings"].size(), 1u) << report["findings"].dump(2);
    const json& finding = report["findings"][0];
    EXPECT_EQ(finding["file"], files().*damage.file);
    EXPECT_EQ(finding["record"], damage.record ? json(*damage.record) : json(nullptr));
    EXPECT_NE(finding["message"].get<std::string>().find(damage.message), std::string::npos)
        << finding["message"];
}

const Damage kDamages[] = {
    {"WrongMagic", [](const DatabaseFiles& f) { PutBytes(f.categories, 0, "Xarovale"); },
     &DatabaseFiles::categories, std::nullopt, "does not start with the magic"},
    {"CutAccountBlock", [](const DatabaseFiles& f) { Truncate(f.clients, 100); }, &DatabaseFiles::clients,
     std::nullopt, "the account block is cut short: 74 of 144 bytes"},
    {"CountLargerThanTheFile", [](const DatabaseFiles& f) { PutInt32(f.media, kCountAt, 30); },
     &DatabaseFiles::media, std::nullopt, "the count says 30 records, but the file holds only 23"},
    {"NegativeCount", [](const DatabaseFiles& f) { PutInt32(f.clients, kCountAt, -1); },
     &DatabaseFiles::clients, std::nullopt, "the record count is negative"},
    {"ParentIsATombstone",
     [](const DatabaseFiles& f) { PutInt32(f.categories, CategoryAt(Sample::kKids) + 532, Sample::kOld); },
     &DatabaseFiles::categories, Sample::kKids, "category 3 \"Kids\" has the parent 4, which is deleted"},
    {"ParentOutOfRange",
     [](const DatabaseFiles& f) { PutInt32(f.categories, CategoryAt(Sample::kKids) + 532, 40); },
     &DatabaseFiles::categories, Sample::kKids, "has the parent 40, which does not exist"},
    {"IdDiffersFromPosition",
     [](const DatabaseFiles& f) { PutInt32(f.categories, CategoryAt(Sample::kOld) + 4, 7); },
     &DatabaseFiles::categories, Sample::kOld, "has the id 7"},
    {"WrongRecordSize", [](const DatabaseFiles& f) { PutInt32(f.media, MediaAt(Sample::kGone), 0); },
     &DatabaseFiles::media, Sample::kGone, "has the record size 0 instead of 960"},
    {"ItemInAMissingCategory",
     [](const DatabaseFiles& f) { PutInt32(f.media, MediaAt(Sample::kNightFilm) + 856, 9); },
     &DatabaseFiles::media, Sample::kNightFilm,
     "\"Night Film\" is filed in category 9, which does not exist"},
    {"ItemInADeletedCategory",
     [](const DatabaseFiles& f) { PutInt32(f.media, MediaAt(Sample::kNightFilm) + 856, Sample::kOld); },
     &DatabaseFiles::media, Sample::kNightFilm, "is filed in category 4, which is deleted"},
    {"InfoAreaInNoMode",
     [](const DatabaseFiles& f) { PutInt32(f.media, MediaAt(Sample::kNightFilm) + kInfoAreaAt, 2); },
     &DatabaseFiles::media, Sample::kNightFilm, "the info area's mode 2 is neither 0 nor 1"},
    // Values no writer produces, even when their bits also read as "deleted".
    {"MediaFlagsNoWriterSets",
     [](const DatabaseFiles& f) { PutInt32(f.media, MediaAt(Sample::kGone) + 852, -1); },
     &DatabaseFiles::media, Sample::kGone,
     "\"Gone\" has the flags 0xFFFFFFFF, with the unknown bits 0xFFFFFFE3"},
    {"InfoModeOfADeletedItem",
     [](const DatabaseFiles& f) { PutInt32(f.media, MediaAt(Sample::kGone) + kInfoAreaAt, -1); },
     &DatabaseFiles::media, Sample::kGone, "the info area's mode -1 is neither 0 nor 1"},
    {"CategoryStatusNoWriterSets",
     [](const DatabaseFiles& f) { PutInt32(f.categories, CategoryAt(Sample::kFilms) + 528, 8); },
     &DatabaseFiles::categories, Sample::kFilms, "has the status 0x8, neither 0 (live) nor 0x4 (deleted)"},
    {"ClientFlagsNoWriterSets", [](const DatabaseFiles& f) { PutInt32(f.clients, ClientAt(0) + 84, -1); },
     &DatabaseFiles::clients, 0, "has the flags 0xFFFFFFFF, neither 0 (live) nor 4 (deleted)"},
    {"InfoFileMissing", [](const DatabaseFiles& f) { std::filesystem::remove(f.InfoFile("MVDB21-3.dat")); },
     &DatabaseFiles::media, Sample::kCartoon, "info 3 (10 bytes) has no file MVDB21-3.dat"},
    {"InfoFileOfTheWrongSize",
     [](const DatabaseFiles& f) { WriteFileBytes(f.InfoFile("MVDB21-3.dat"), "0123"); },
     &DatabaseFiles::media, Sample::kCartoon, "MVDB21-3.dat holds 4 bytes, the item says 10"},
    {"InfoFileOfNoPiece", [](const DatabaseFiles& f) { WriteFileBytes(f.InfoFile("MVDB20-6.dat"), "stray"); },
     &DatabaseFiles::media, std::nullopt, "MVDB20-6.dat (5 bytes) belongs to no piece of info"},
    {"ClientNameUsedTwice",
     [](const DatabaseFiles& f) { PutBytes(f.clients, ClientAt(1) + 12, std::string("TV-BOX\0", 7)); },
     &DatabaseFiles::clients, 1, "has the name of record 0"},
    {"ClientIndexDiffersFromPosition",
     [](const DatabaseFiles& f) { PutInt32(f.clients, ClientAt(1) + 88, 0); }, &DatabaseFiles::clients, 1,
     "says it is record 0"},
};

INSTANTIATE_TEST_SUITE_P(Fixtures, CheckDamageTest, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& info) { return info.param.name; });

TEST_F(CheckCommandTest, ParentsThatFormALoopLeaveBothCategoriesUnreachable) {
    PutInt32(categoryFile(), CategoryAt(Sample::kFilms) + 532, Sample::kKids);
    const json findings = CheckAll(1)["findings"];
    ASSERT_EQ(findings.size(), 2u) << findings.dump(2);
    EXPECT_EQ(findings[0]["record"], Sample::kFilms);
    EXPECT_EQ(findings[1]["record"], Sample::kKids);
    EXPECT_NE(findings[1]["message"].get<std::string>().find("parents form a loop"), std::string::npos);
}

TEST_F(CheckCommandTest, ADeletedRootLeavesItsChildrenWithoutALiveParent) {
    PutInt32(categoryFile(), CategoryAt(0) + 528, 4);
    const json findings = CheckAll(1)["findings"];
    ASSERT_EQ(findings.size(), 3u) << findings.dump(2);
    EXPECT_EQ(findings[0]["message"], "the Root at position 0 is deleted");
    EXPECT_EQ(findings[1]["message"],
              "category 1 \"" + LiveVideoName() + "\" has the parent 0, which is deleted");
    EXPECT_EQ(findings[2]["record"], Sample::kFilms);
}

TEST_F(CheckCommandTest, PrintsOneLinePerFindingAndASummary) {
    PutInt32(mediaFile(), MediaAt(Sample::kNightFilm) + 856, 9);
    PutInt32(clientFile(), kCountAt, -1);
    const ToolRun run = RunTool({"check"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out,
              mediaFile() +
                  ": record 20: item 20 \"Night Film\" is filed in category 9, which does not exist\n" +
                  clientFile() + ": the record count is negative (-1)\n" +
                  "checked 3 files, 28 records: 2 findings\n");
}

TEST_F(CheckCommandTest, AFileThatCannotBeReadGivesTwoWhateverElseIsFound) {
    PutInt32(mediaFile(), MediaAt(Sample::kNightFilm) + 856, 9);
    const json report = RunToolJson({"check", categoryFile(), mediaFile(), folder_ / "missing.db"}, 2);
    EXPECT_EQ(report["findings"].size(), 1u);
    ASSERT_EQ(report["files"].size(), 3u);
    EXPECT_TRUE(report["files"][2]["error"].is_string());
    EXPECT_TRUE(report["files"][1]["error"].is_null());
    EXPECT_FALSE(report["sound"].get<bool>());
}

TEST_F(CheckCommandTest, TellsTheCatalogueByRecordSizeOrIsTold) {
    const std::string copy = folder_ / "backup.bin";
    std::filesystem::copy_file(categoryFile(), copy);
    EXPECT_EQ(RunToolJson({"check", copy})["files"][0]["catalogue"], "category");
    // An empty client file: neither the name nor a record tells.
    const std::string empty = folder_ / "empty.bin";
    std::filesystem::copy_file(clientFile(), empty);
    PutInt32(empty, kCountAt, 0);
    EXPECT_EQ(RunTool({"check", empty}).exitCode, 2);
    EXPECT_EQ(RunToolJson({"check", "--type", "client", empty})["files"][0]["catalogue"], "client");
}

TEST_F(CheckCommandTest, ListsAtMostTwentyFindingsOfOneKindPerFile) {
    for (int32_t index = 0; index < 23; ++index) PutInt32(mediaFile(), MediaAt(index), 1);
    const json findings = RunToolJson({"check", mediaFile()}, 1)["findings"];
    ASSERT_EQ(findings.size(), 21u);
    EXPECT_EQ(findings[20]["message"], "and 3 more: records whose size field is wrong");
}

}  // namespace
}  // namespace mvdb::test
