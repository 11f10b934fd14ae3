#include "storage/folder_chain.h"

#include <gtest/gtest.h>

#include <filesystem>

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

}  // namespace
}  // namespace mvdb
