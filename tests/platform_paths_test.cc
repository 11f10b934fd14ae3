// Paths, folders and time of the platform layer.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/temp_folder.h"

namespace mvdb {
namespace {

namespace fs = std::filesystem;

TEST(PlatformPathsTest, SplitPathKeepsTheDriveAndTheFolderWithItsSeparator) {
    struct Case {
        const char* path;
        const char* drive;
        const char* directory;
    };
#if defined(_WIN32)
    const Case cases[] = {
        {"C:\\Apps\\Server\\server.exe", "C:", "\\Apps\\Server\\"},
        {"C:\\server.exe", "C:", "\\"},
        {"C:server.exe", "C:", ""},
        {"d:\\a\\b\\", "d:", "\\a\\b\\"},
        {"\\\\host\\share\\x.db", "", "\\\\host\\share\\"},
        {"\\Data\\MVDBCAT.db", "", "\\Data\\"},
        {"MVDBCAT.db", "", ""},
        {"", "", ""},
    };
#else
    const Case cases[] = {
        {"/opt/server/server", "", "/opt/server/"},
        {"/server", "", "/"},
        {"/a/b/", "", "/a/b/"},
        {"MVDBCAT.db", "", ""},
        {"", "", ""},
    };
#endif
    for (const Case& c : cases) {
        const platform::SplitPathResult parts = platform::SplitPath(c.path);
        EXPECT_EQ(parts.drive, c.drive) << c.path;
        EXPECT_EQ(parts.directory, c.directory) << c.path;
    }
}

#if defined(_WIN32)
// The run-time library's splitter takes paths of up to 259 bytes; a longer
// one splits into nothing rather than into a cut-off folder.
TEST(PlatformPathsTest, SplitPathGivesNothingForOverlongPaths) {
    const std::string fits = "C:\\" + std::string(240, 'f') + "\\";
    EXPECT_EQ(platform::SplitPath(fits + "MVDBMF.db").directory, fits.substr(2));
    const std::string deep = "C:\\" + std::string(300, 'f') + "\\";
    const platform::SplitPathResult parts = platform::SplitPath(deep + "MVDBMF.db");
    EXPECT_EQ(parts.drive, "");
    EXPECT_EQ(parts.directory, "");
}

// In code page 932 the second byte of a double-byte character may be 0x5C;
// only a backslash character of its own separates folders.
TEST(PlatformPathsTest, SeparatorsAreCharactersOfTheCodePage) {
    const bool shiftJis = platform::CurrentCodePage()->Number() == 932;
    const platform::SplitPathResult parts = platform::SplitPath("C:\\media\\\x95\x5c");
    EXPECT_EQ(parts.drive, "C:");
    EXPECT_EQ(parts.directory, shiftJis ? "\\media\\" : "\\media\\\x95\\");
    EXPECT_EQ(platform::SplitPath("C:\\\x95\x5c\\x.db").directory, "\\\x95\x5c\\");
    EXPECT_EQ(platform::IsCreatablePath("C:\x95\x5c"), !shiftJis);
    EXPECT_EQ(platform::IsCreatablePath("C:\x95\x5c\\a"), true);
}
#else
TEST(PlatformPathsTest, SplitPathTakesLongPaths) {
    const std::string folder = "/" + std::string(400, 'f') + "/";
    EXPECT_EQ(platform::SplitPath(folder + "MVDBMF.db").directory, folder);
}
#endif

TEST(PlatformPathsTest, OnlyPathsBelowARootAreCreatable) {
    struct Case {
        const char* path;
        bool creatable;
    };
#if defined(_WIN32)
    const Case cases[] = {
        {"C:\\a", true},
        {"z:\\Apps\\Data", true},
        {"C:\\a\\b\\c", true},
        {"", false},
        {"C", false},
        {"C:", false},
        {"C:\\", false},  // a bare drive, once its one trailing backslash is gone
        {"C:ab", false},  // relative to the drive's current folder
        {"1:\\a", false},
        {"\\\\server\\share\\folder", false},
        {"\\folder\\sub", false},
        {"relative\\folder", false},
        {"CC:\\a", false},
    };
#else
    const Case cases[] = {
        {"/a", true}, {"/a/b/c", true},          {"", false},
        {"/", false}, {"//server/share", false}, {"relative/folder", false},
    };
#endif
    for (const Case& c : cases) EXPECT_EQ(platform::IsCreatablePath(c.path), c.creatable) << c.path;
}

TEST(PlatformPathsTest, TheSeparatorIsTheSystemsOwn) {
#if defined(_WIN32)
    EXPECT_EQ(platform::kPathSeparator, '\\');
#else
    EXPECT_EQ(platform::kPathSeparator, '/');
#endif
}

TEST(PlatformPathsTest, ExecutablePathNamesThisProgram) {
    const std::optional<std::string> exe = platform::ExecutablePath();
    ASSERT_TRUE(exe.has_value());
    EXPECT_TRUE(platform::PathExists(*exe)) << *exe;
    EXPECT_FALSE(platform::IsDirectory(*exe)) << *exe;
    const platform::SplitPathResult parts = platform::SplitPath(*exe);
    ASSERT_FALSE(parts.directory.empty());
    EXPECT_EQ(parts.directory.back(), platform::kPathSeparator);
    EXPECT_TRUE(platform::IsDirectory(parts.drive + parts.directory));
#if defined(_WIN32)
    ASSERT_EQ(parts.drive.size(), 2u);
    EXPECT_EQ(parts.drive[1], ':');
#endif
}

class PlatformFolderTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const {
        return folder_.path().string() + platform::kPathSeparator + name;
    }
    test::TempFolder folder_;
};

TEST_F(PlatformFolderTest, MakeDirectoryCreatesOneLevelOnly) {
    EXPECT_TRUE(platform::MakeDirectory(Path("Data")));
    EXPECT_TRUE(platform::IsDirectory(Path("Data")));
    EXPECT_FALSE(platform::MakeDirectory(Path("Data")));  // already there
    EXPECT_FALSE(platform::MakeDirectory(Path("Missing") + platform::kPathSeparator + "Info"));
    EXPECT_FALSE(platform::PathExists(Path("Missing")));
}

TEST_F(PlatformFolderTest, ExistenceCountsFilesAndFoldersAlike) {
    test::WriteFileBytes(Path("file.db"), "x");
    ASSERT_TRUE(platform::MakeDirectory(Path("Info")));
    EXPECT_TRUE(platform::PathExists(Path("file.db")));
    EXPECT_TRUE(platform::PathExists(Path("Info")));
    EXPECT_FALSE(platform::PathExists(Path("absent")));
    EXPECT_FALSE(platform::PathExists(""));
    EXPECT_FALSE(platform::IsDirectory(Path("file.db")));
    EXPECT_TRUE(platform::IsDirectory(Path("Info")));
    EXPECT_FALSE(platform::IsDirectory(Path("absent")));
}

TEST_F(PlatformFolderTest, ListFilesNamesThePlainFilesOnly) {
    test::WriteFileBytes(Path("MVDB0-0.dat"), "a");
    test::WriteFileBytes(Path("MVDB12-7.dat"), "bb");
    test::WriteFileBytes(Path("notes.txt"), "");
    ASSERT_TRUE(platform::MakeDirectory(Path("sub")));
    test::WriteFileBytes(Path("sub") + platform::kPathSeparator + "inner.dat", "c");

    std::vector<std::string> names = platform::ListFiles(folder_.path().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"MVDB0-0.dat", "MVDB12-7.dat", "notes.txt"}));

    EXPECT_TRUE(platform::ListFiles(Path("sub")).size() == 1);
    EXPECT_TRUE(platform::ListFiles(Path("absent")).empty());
    EXPECT_TRUE(platform::ListFiles(Path("MVDB0-0.dat")).empty());
}

TEST_F(PlatformFolderTest, ListFilesOfAnEmptyPathListsTheCurrentFolder) {
    test::WriteFileBytes(Path("here.dat"), "x");
    const fs::path saved = fs::current_path();
    fs::current_path(folder_.path());
    const std::vector<std::string> names = platform::ListFiles("");
    fs::current_path(saved);
    EXPECT_EQ(names, std::vector<std::string>{"here.dat"});
}

TEST(PlatformTimeTest, CurrentTimeCountsSecondsSince1970) {
    const auto before =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    const int32_t now = platform::CurrentTime();
    const auto after =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    EXPECT_GE(now, before - 1);
    EXPECT_LE(now, after + 1);
}

}  // namespace
}  // namespace mvdb
