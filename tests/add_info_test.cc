// Additional info: pieces in info files, the inline-text mode, and their
// life with the item.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "support/container_bytes.h"
#include "support/records.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

namespace fs = std::filesystem;
using test::Media;

class AddInfoTest : public test::DatabaseTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.ok());
        for (int i = 0; i < 8; ++i) {
            MediaInfo info = Media("item" + std::to_string(i));
            ASSERT_EQ(AddMediaInfo(h(), &info), 20 + i);
        }
    }
    MVDB_HANDLE h() { return db_.get(); }
    static constexpr int32_t kItem = 27;
    test::OpenDatabase db_;
};

TEST_F(AddInfoTest, AnItemWithoutInfo) {
    EXPECT_EQ(CheckAddInfo(h(), kItem), 0);
    int32_t size = -1, type = -1;
    EXPECT_EQ(GetAddInfoType(h(), kItem, 0, &size, &type), MVDB_ERR_NOT_FOUND);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(type, 0);
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(GetAddInfo(h(), kItem, 0, buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(GetAddInfoType(h(), kItem, 1, &size, &type), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(GetAddInfo(h(), kItem, 1, buffer), MVDB_ERR_OUT_OF_RANGE);
}

TEST_F(AddInfoTest, APieceIsAFileAndADescriptor) {
    std::string data(100, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    ASSERT_EQ(SetAddInfo(h(), kItem, 3, 100, 3, data.data()), 0);
    EXPECT_EQ(test::ReadFileBytes(infoPath("MVDB27-3.dat")), data);
    EXPECT_EQ(CheckAddInfo(h(), kItem), 1);
    int32_t size = 0, type = 0;
    ASSERT_EQ(GetAddInfoType(h(), kItem, 3, &size, &type), 0);
    EXPECT_EQ(size, 100);
    EXPECT_EQ(type, 3);
    std::string back(101, '\x55');
    ASSERT_EQ(GetAddInfo(h(), kItem, 3, back.data()), 0);
    EXPECT_EQ(back.substr(0, 100), data);
    EXPECT_EQ(back[100], '\x55');  // no NUL appended

    // The media file holds the mode and the descriptor.
    const std::string file = test::ReadFileBytes(mediaFile());
    format::InfoArea area{};
    std::memcpy(&area, file.data() + test::MediaElementOffset(kItem) + test::kInfoAreaOffset, sizeof area);
    const int32_t mode = area.infoMode, stored = area.files.descriptors[3].infoSize;
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(stored, 100);
}

TEST_F(AddInfoTest, RefusedNumbersTypesAndSizes) {
    EXPECT_EQ(SetAddInfo(h(), kItem, 3, 4, 2, "abcd"), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_FALSE(fs::exists(infoPath("MVDB27-3.dat")));
    EXPECT_EQ(CheckAddInfo(h(), kItem), 0);  // now in file mode, with nothing in it
    for (int32_t number : {8, -1})
        EXPECT_EQ(SetAddInfo(h(), kItem, number, 1, number, "a"), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(SetAddInfo(h(), kItem, 2, -1, 2, "a"), MVDB_ERR_WRITE);
    EXPECT_EQ(SetAddInfo(h(), kItem, 2, 5, 2, nullptr), MVDB_ERR_WRITE);
    EXPECT_FALSE(fs::exists(infoPath("MVDB27-2.dat")));
    EXPECT_EQ(SetAddInfo(h(), 1000, 0, 1, 0, "a"), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(SetAddInfo(h(), kItem, 0, 0, 0, nullptr), 0);  // an empty piece counts as none
    EXPECT_TRUE(fs::exists(infoPath("MVDB27-0.dat")));
    EXPECT_EQ(CheckAddInfo(h(), kItem), 0);
    EXPECT_EQ(DelAddInfo(h(), kItem, 5), 0);  // nothing there
}

TEST_F(AddInfoTest, MissingAndShortFiles) {
    ASSERT_EQ(SetAddInfo(h(), kItem, 1, 10, 1, "0123456789"), 0);
    ASSERT_EQ(SetAddInfo(h(), kItem, 2, 10, 2, "0123456789"), 0);
    test::WriteFileBytes(infoPath("MVDB27-1.dat"), "01234");
    char buffer[16];
    EXPECT_EQ(GetAddInfo(h(), kItem, 1, buffer), MVDB_ERR_SHORT_READ);
    fs::remove(infoPath("MVDB27-2.dat"));
    int32_t size = 0, type = 0;
    EXPECT_EQ(GetAddInfoType(h(), kItem, 2, &size, &type), MVDB_ERR_NOT_FOUND);
    EXPECT_EQ(size, 10);
    EXPECT_EQ(GetAddInfo(h(), kItem, 2, buffer), MVDB_ERR_NOT_FOUND);
    EXPECT_EQ(CheckAddInfo(h(), kItem), 1);  // the missing piece is forgotten
}

// Stored sizes come from the media file and are checked against the info
// file: a size the file cannot satisfy is reported, never trusted for a
// buffer, and fails the search's info test of that item alone.
TEST_F(AddInfoTest, StoredSizesAreCheckedAgainstTheFile) {
    ASSERT_EQ(SetAddInfo(h(), kItem - 1, 0, 5, 0, "hello"), 0);
    ASSERT_EQ(SetAddInfo(h(), kItem, 0, 5, 0, "hello"), 0);
    db_.Close();
    const std::string sound = test::ReadFileBytes(mediaFile());
    const size_t sizeField = test::MediaElementOffset(kItem) + test::kInfoAreaOffset +
                             offsetof(format::InfoArea, files) + offsetof(format::InfoDescriptor, infoSize);
    for (const int32_t stored : {0x7FFFFFFF, -5, 6}) {
        SCOPED_TRACE(stored);
        std::string damaged = sound;
        std::memcpy(damaged.data() + sizeField, &stored, sizeof stored);
        test::WriteFileBytes(mediaFile(), damaged);
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        int32_t size = 0, type = -1;
        EXPECT_EQ(GetAddInfoType(db.get(), kItem, 0, &size, &type), MVDB_ERR_SHORT_READ);
        EXPECT_EQ(size, stored);
        char buffer[16] = {};
        EXPECT_EQ(GetAddInfo(db.get(), kItem, 0, buffer), MVDB_ERR_SHORT_READ);
        EXPECT_EQ(std::strlen(buffer), stored > 0 ? 5u : 0u);

        FindCriteria node{};
        node.criteriaSize = MVDB_FIND_CRITERIA_SIZE;
        node.criteriaKind = MVDB_CRITERIA_TEXT;
        node.criteriaTarget = MVDB_TARGET_ADDINFO;
        node.combineRule = MVDB_COMBINE_REQUIRED;
        std::strcpy(node.pattern, "hello");
        ASSERT_EQ(FindMedia(db.get(), 0, &node, 0), 1);
        MediaInfo found{};
        ASSERT_EQ(GetChangedData(db.get(), 0, &found, 0), 0);
        EXPECT_EQ(found.recordIndex, kItem - 1);
    }
}

TEST_F(AddInfoTest, DeletingAnItemTakesItsFilesAndARemovedPieceStaysRemoved) {
    for (int32_t n : {0, 4, 7}) ASSERT_EQ(SetAddInfo(h(), kItem, n, 3, n, "abc"), 0);
    ASSERT_EQ(SetAddInfo(h(), kItem - 1, 1, 3, 1, "xyz"), 0);
    ASSERT_EQ(DelAddInfo(h(), kItem - 1, 1), 0);
    EXPECT_FALSE(fs::exists(infoPath("MVDB26-1.dat")));
    ASSERT_EQ(DelMediaInfo(h(), kItem), 0);
    for (const char* name : {"MVDB27-0.dat", "MVDB27-4.dat", "MVDB27-7.dat"})
        EXPECT_FALSE(fs::exists(infoPath(name)));
    int32_t size = 0, type = 0;
    char buffer[8];
    EXPECT_EQ(CheckAddInfo(h(), kItem), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(GetAddInfoType(h(), kItem, 0, &size, &type), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(GetAddInfo(h(), kItem, 0, buffer), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(DelAddInfo(h(), kItem, 0), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(SetAddInfo(h(), kItem, 0, 1, 0, "a"), MVDB_ERR_OUT_OF_RANGE);

    MediaInfo reuse = Media("reuse");
    ASSERT_EQ(AddMediaInfo(h(), &reuse), kItem);
    EXPECT_EQ(CheckAddInfo(h(), kItem), 0);
    db_.Close();
    test::OpenDatabase again;
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(CheckAddInfo(again.get(), kItem - 1), 0);
}

class InfoAreaModesTest : public test::DatabaseTest {
protected:
    // A media file of three items whose info areas are given raw.
    void WriteItems(const std::vector<std::pair<int32_t, std::string>>& areas) {
        std::string elements;
        for (size_t i = 0; i < areas.size(); ++i) {
            std::string element(test::kMediaElementBytes, '\0');
            MediaInfo info = Media("item");
            info.recordSize = sizeof(MediaInfo);
            info.recordIndex = static_cast<int32_t>(i);
            std::memcpy(element.data(), &info, sizeof info);
            std::memcpy(element.data() + test::kInfoAreaOffset, &areas[i].first, 4);
            std::memcpy(element.data() + test::kInfoAreaOffset + offsetof(format::InfoArea, inlineText),
                        areas[i].second.data(), std::min(format::kInlineTextBytes, areas[i].second.size()));
            elements += element;
        }
        test::WriteFileBytes(mediaFile(),
                             test::ContainerBytes(DBAccount{}, static_cast<int32_t>(areas.size()), elements));
    }
};

TEST_F(InfoAreaModesTest, InlineTextAndUnknownModes) {
    WriteItems({{0, "inline words"}, {0, std::string(260, 'w')}, {7, ""}});
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    int32_t size = 0, type = -1;
    ASSERT_EQ(GetAddInfoType(db.get(), 0, 0, &size, &type), 0);
    EXPECT_EQ(size, 12);
    EXPECT_EQ(type, 0);
    EXPECT_EQ(CheckAddInfo(db.get(), 0), 1);
    char text[261];
    ASSERT_EQ(GetAddInfo(db.get(), 0, 0, text), 0);
    EXPECT_STREQ(text, "inline words");
    // A text that fills the area without a NUL ends at the area's end.
    ASSERT_EQ(GetAddInfoType(db.get(), 1, 0, &size, &type), 0);
    EXPECT_EQ(size, 260);
    ASSERT_EQ(GetAddInfo(db.get(), 1, 0, text), 0);
    EXPECT_EQ(std::strlen(text), 260u);
    ASSERT_EQ(DelAddInfo(db.get(), 0, 0), 0);
    EXPECT_EQ(CheckAddInfo(db.get(), 0), 0);
    // Switching to files clears the text, which would read as descriptors.
    ASSERT_EQ(SetAddInfo(db.get(), 1, 2, 1, 2, "x"), 0);
    EXPECT_EQ(CheckAddInfo(db.get(), 1), 1);

    EXPECT_EQ(CheckAddInfo(db.get(), 2), MVDB_ERR_INFO_MODE);
    EXPECT_EQ(GetAddInfoType(db.get(), 2, 0, &size, &type), MVDB_ERR_INFO_MODE);
    EXPECT_EQ(GetAddInfo(db.get(), 2, 0, text), MVDB_ERR_INFO_MODE);
    EXPECT_EQ(DelAddInfo(db.get(), 2, 0), MVDB_ERR_INFO_MODE);
}

TEST_F(InfoAreaModesTest, InfoFilesGoToTheCurrentFolderWithoutAFolderKey) {
    const fs::path work = folder_.path() / "work";
    fs::create_directories(work);
    const fs::path previous = fs::current_path();
    fs::current_path(work);
    registry_.Set({});
    {
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        MediaInfo info = Media("x");
        const int32_t index = AddMediaInfo(db.get(), &info);
        ASSERT_EQ(SetAddInfo(db.get(), index, 1, 2, 1, "hi"), 0);
        EXPECT_TRUE(fs::exists(work / ("MVDB" + std::to_string(index) + "-1.dat")));
    }
    fs::current_path(previous);
}

TEST_F(InfoAreaModesTest, AnInfoPathThatDoesNotFitIsRefused) {
    // A folder that fits the registry's 260 bytes, while its info files do not.
    const size_t base = folder_.path().string().size() + 1;
    const std::string deep = (folder_.path() / std::string(255 - base, 'd')).string();
    ASSERT_LT(deep.size(), 260u);
    UseFolder({{"DBINFODIR", deep}});
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    MediaInfo info = Media("x");
    const int32_t index = AddMediaInfo(db.get(), &info);
    EXPECT_EQ(SetAddInfo(db.get(), index, 0, 1, 0, "a"), MVDB_ERR_WRITE);
}

}  // namespace
}  // namespace mvdb
