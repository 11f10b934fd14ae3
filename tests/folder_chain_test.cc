#include "storage/folder_chain.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/code_pages.h"
#include "support/temp_folder.h"

namespace mvdb {
namespace {

namespace fs = std::filesystem;

class FolderChainTest : public ::testing::Test {
protected:
    std::string Join(std::initializer_list<const char*> parts) const {
        std::string path = folder_.path().string();
        for (const char* part : parts) path += platform::kPathSeparator + std::string(part);
        return path;
    }
    test::TempFolder folder_;
    std::unique_ptr<platform::CodePage> codePage_ = platform::CurrentCodePage();
};

TEST_F(FolderChainTest, CreatesTheFoldersAboveAFile) {
    EXPECT_EQ(CreateFolderChain(Join({"a", "b", "c.db"}), 0, *codePage_), 1);
    EXPECT_TRUE(fs::is_directory(Join({"a", "b"})));
    EXPECT_FALSE(fs::exists(Join({"a", "b", "c.db"})));
}

TEST_F(FolderChainTest, CreatesAFolderGivenWithATrailingSeparator) {
    EXPECT_EQ(CreateFolderChain(Join({"a", "b"}) + platform::kPathSeparator, 1, *codePage_), 1);
    EXPECT_TRUE(fs::is_directory(Join({"a", "b"})));
    EXPECT_EQ(CreateFolderChain(Join({"a", "b"}), 1, *codePage_), 1);  // already there
}

TEST_F(FolderChainTest, AFileInTheWayCountsAsPresentButBlocksWhatFollows) {
    test::WriteFileBytes(Join({"x"}), "not a folder");
    EXPECT_EQ(CreateFolderChain(Join({"x", "y"}), 1, *codePage_), 0);
    EXPECT_EQ(CreateFolderChain(Join({"x", "y", "z"}), 1, *codePage_), -1);
}

TEST_F(FolderChainTest, RefusesPathsWithoutARootAndOverlongPaths) {
    struct Case {
        std::string path;
        int32_t isFolder;
    };
    const std::vector<Case> refused = {
        {"", 1},
        {"MVDBCAT.db", 0},
        {"relative" + std::string(1, platform::kPathSeparator) + "folder", 1},
        {Join({std::string(300, 'n').c_str()}), 1},
#if defined(_WIN32)
        {"C:", 1},
        {"C:\\", 1},
        {"\\\\server\\share\\folder", 1},
        {"\\folder\\sub", 1},
        {"1:\\folder", 1},
#else
        {"/", 1},
        {"//server/share", 1},
#endif
    };
    for (const Case& c : refused) {
        EXPECT_EQ(CreateFolderChain(c.path, c.isFolder, *codePage_), -1) << c.path;
    }
}

// Folder names whose last byte is 0x5C as the second byte of a Shift-JIS
// character, and one without.
constexpr const char* kWideNames[] = {"\x95\x5c", "\x83\x5c", "\x83\x41"};

TEST_F(FolderChainTest, ALastCharacterWhoseSecondByteLooksLikeASeparatorIsKept) {
#if defined(_WIN32)
    // Windows reads folder names in its own code page: in any other than
    // 932 these bytes end with a real separator.
    if (!codePage_->IsLeadByte(0x95))
        GTEST_SKIP() << "Windows reads these names as Shift-JIS only in code page 932";
#endif
    for (const char* name : kWideNames) {
        const std::string folder = Join({"media", name});
        EXPECT_EQ(CreateFolderChain(folder, 1, *codePage_), 1) << name;
        EXPECT_TRUE(platform::IsDirectory(folder)) << name;
        EXPECT_EQ(CreateFolderChain(Join({"deep", name, "MVDBMF.db"}), 0, *codePage_), 1) << name;
        EXPECT_TRUE(platform::IsDirectory(Join({"deep", name}))) << name;
    }
}

class SeparatorTest : public ::testing::TestWithParam<int> {};

TEST_P(SeparatorTest, OnlyARealSeparatorCharacterEndsAPath) {
    const std::unique_ptr<platform::CodePage> codePage = test::CodePageNumbered(GetParam());
    ASSERT_TRUE(codePage);
    const bool shiftJis = GetParam() == 932;
    struct Case {
        const char* path;
        char separator;
        bool endsWithSeparator;
    };
    const Case cases[] = {
        {"C:\\media\\", '\\', true},
        {"C:\\media", '\\', false},
        {"C:\\media\\\x95\x5c", '\\', !shiftJis},  // the second byte of a character in code page 932
        {"C:\\media\\\x95\x5c\\", '\\', true},
        {"\x83\x5c", '\\', !shiftJis},
        {"\x83\x5c\x83\x5c", '\\', !shiftJis},
        {"\\", '\\', true},
        {"", '\\', false},
        {"a\x83", '\\', false},
        {"/srv/media/", '/', true},
        {"/srv/\x95\x5c", '/', false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EndsWithSeparator(c.path, c.separator, *codePage), c.endsWithSeparator) << c.path;
    }
}

INSTANTIATE_TEST_SUITE_P(CodePages, SeparatorTest, ::testing::ValuesIn(test::TestableCodePages()),
                         test::CodePageName);

}  // namespace
}  // namespace mvdb
