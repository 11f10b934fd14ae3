// Where the catalogues live: registry values, the default data folder, bare
// names in the current folder, and the host name.
#include <gtest/gtest.h>

#include <filesystem>

#include "frame/database_handle.h"
#include "platform/platform.h"
#include "support/container_bytes.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

namespace fs = std::filesystem;
using test::RegistryValue;

class LocationsTest : public test::DatabaseTest {
protected:
    using Values = std::map<std::string, RegistryValue>;
    void SetRegistry(std::optional<Values> folder, std::optional<Values> hostMan) {
        registry_.Set({std::move(folder), std::move(hostMan)});
    }
};

TEST_F(LocationsTest, MissingParentFoldersOfConfiguredFilesAreCreated) {
    Values values = FolderValues();
    const fs::path category = folder_.path() / "a" / "b" / "cat.db";
    const std::string info = (folder_.path() / "info" / "deep").string() + platform::kPathSeparator;
    values["DBCATEGORY"] = category.string();
    values["DBINFODIR"] = info;
    SetRegistry(values, std::nullopt);
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    EXPECT_TRUE(fs::is_regular_file(category));
    EXPECT_TRUE(fs::is_directory(folder_.path() / "info" / "deep"));
    // The stored info folder keeps the trailing separator it was given.
    EXPECT_EQ(FromHandle(db.get())->media().infoFolder(), info);
}

TEST_F(LocationsTest, MissingOrOverlongValuesFallBackToTheDataFolderBesideTheExecutable) {
    const std::optional<std::string> exe = platform::ExecutablePath();
    ASSERT_TRUE(exe);
    const fs::path data = fs::path(*exe).parent_path() / "Data";
    fs::remove_all(data);
    for (const Values& values : {Values{}, Values{{"DBCATEGORY", std::string(260, 'x')},
                                                  {"DBMEDIA", std::string(300, 'y')},
                                                  {"DBHOST", std::string(259, 'z')}}}) {
        SetRegistry(values, std::nullopt);
        {
            test::OpenDatabase db;
            ASSERT_TRUE(db.ok());
            EXPECT_TRUE(fs::is_directory(data / "Info"));
            EXPECT_EQ(FromHandle(db.get())->media().infoFolder(), (data / "Info").string());
            EXPECT_EQ(FromHandle(db.get())->media().channelCount(), 20);
        }
        EXPECT_TRUE(fs::is_regular_file(data / "MVDBCAT.db"));
        EXPECT_TRUE(fs::is_regular_file(data / "MVDBMF.db"));
        EXPECT_EQ(fs::is_regular_file(data / "MVDBCLT.db"), values.empty());  // a 259-byte value fits
        fs::remove_all(data);
    }
}

TEST_F(LocationsTest, WithoutTheFolderKeyBareNamesLieInTheCurrentFolder) {
    const fs::path work = folder_.path() / "work";
    fs::create_directories(work);
    const fs::path previous = fs::current_path();
    fs::current_path(work);
    SetRegistry(std::nullopt, std::nullopt);
    test::WriteFileBytes((work / "MVDB1-2.dat").string(), "info");
    test::WriteFileBytes((work / "MVDB1-.dat").string(), "near miss");
    test::WriteFileBytes((work / "notes.txt").string(), "keep");
    {
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        EXPECT_EQ(FromHandle(db.get())->media().infoFolder(), "");
        EXPECT_EQ(FromHandle(db.get())->media().RecordCount(), 20);
        EXPECT_EQ(InitializeDB(db.get()), 0);
    }
    fs::current_path(previous);
    for (const char* name : {"MVDBCAT.db", "MVDBMF.db", "MVDBCLT.db", "MVDB1-.dat", "notes.txt"}) {
        EXPECT_TRUE(fs::is_regular_file(work / name)) << name;
    }
    // Only names of the info-file form are swept from the current folder.
    EXPECT_FALSE(fs::exists(work / "MVDB1-2.dat"));
    EXPECT_FALSE(fs::exists(work / "Data"));
}

TEST_F(LocationsTest, TheChannelCountIsReadOnlyFromAnIntegerValue) {
    const std::vector<std::pair<RegistryValue, int32_t>> cases = {
        {RegistryValue(uint32_t{3}), 3},
        {RegistryValue(std::string("5")), 20},  // once read as the bytes "5\0": 53 channels
    };
    for (const auto& [value, expected] : cases) {
        fs::remove(mediaFile());
        Values values = FolderValues();
        values["DefaultChannels"] = value;
        SetRegistry(values, std::nullopt);
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        EXPECT_EQ(FromHandle(db.get())->media().channelCount(), expected);
    }
}

TEST_F(LocationsTest, HostNameFromTheHostManKey) {
    struct Case {
        const char* name;
        std::optional<Values> hostMan;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"key missing", std::nullopt, ""},
        {"value missing", Values{}, "Unknown"},
        {"value read", Values{{"HostName", std::string("den-pc")}}, "den-pc"},
        {"longest that fits", Values{{"HostName", std::string(62, 'h')}}, std::string(62, 'h')},
        {"too long", Values{{"HostName", std::string(63, 'h')}}, "Unknown"},
    };
    for (const Case& c : cases) {
        fs::remove(mediaFile());
        SetRegistry(FolderValues(), c.hostMan);
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok()) << c.name;
        EXPECT_EQ(FromHandle(db.get())->media().hostName(), c.expected) << c.name;
        EXPECT_EQ(std::string(test::MediaInFile(test::ReadFileBytes(mediaFile()), 0).hostName), c.expected)
            << c.name;
    }
}

}  // namespace
}  // namespace mvdb
