// Adding, deleting, replacing and modifying media items.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <filesystem>

#include "platform/platform.h"
#include "support/container_bytes.h"
#include "support/records.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

using test::Category;
using test::Media;

class MediaRecordsTest : public test::DatabaseTest {
protected:
    void SetUp() override { ASSERT_TRUE(db_.ok()); }
    MVDB_HANDLE h() { return db_.get(); }
    int32_t AddCategory(uint32_t flags) {
        CategoryInfo c = Category("c", 0, flags);
        return AddCategoryInfo(h(), &c);
    }
    int32_t Add(MediaInfo info) { return AddMediaInfo(h(), &info); }
    MediaInfo Stored(int32_t index) {
        MediaInfo out{};
        EXPECT_EQ(GetMediaInfo(h(), index, &out), 0);
        return out;
    }
    test::OpenDatabase db_;
};

TEST_F(MediaRecordsTest, AddFillsTheCallersRecordAndWritesThrough) {
    MediaInfo info = Media("movie");
    info.recordSize = 1;
    info.mediaFlags = 0x77;
    const int32_t before = platform::CurrentTime();
    ASSERT_EQ(AddMediaInfo(h(), &info), 20);  // behind the 20 seeded channels
    EXPECT_EQ(info.recordSize, 960u);
    EXPECT_EQ(info.recordIndex, 20);
    EXPECT_EQ(info.mediaFlags, 0u);
    EXPECT_GE(info.updateTime, before);
    EXPECT_STREQ(info.hostName, "mediaserver");  // filled in where empty

    const std::string file = test::ReadFileBytes(mediaFile());
    EXPECT_EQ(test::CountInFile(file), 21);
    const MediaInfo written = test::MediaInFile(file, 20);
    EXPECT_STREQ(written.title, "movie");
    EXPECT_STREQ(written.hostName, "mediaserver");
    EXPECT_EQ(written.recordIndex, 20);

    MediaInfo foreign = Media("other", 0, "", "den-pc");
    ASSERT_EQ(AddMediaInfo(h(), &foreign), 21);
    EXPECT_STREQ(foreign.hostName, "den-pc");
}

TEST_F(MediaRecordsTest, DeletedSlotsAreReusedLowestFirst) {
    const int32_t cat = AddCategory(0);
    for (int i = 0; i < 6; ++i) ASSERT_EQ(Add(Media("m" + std::to_string(i), cat)), 20 + i);
    ASSERT_EQ(DelMediaInfo(h(), 22), 0);
    ASSERT_EQ(DelMediaInfo(h(), 25), 0);
    EXPECT_EQ(GetMediaCount(h()), 26);
    EXPECT_EQ(DelMediaInfo(h(), 22), MVDB_ERR_OUT_OF_RANGE);  // twice
    MediaInfo info = Media("new", cat);
    EXPECT_EQ(AddMediaInfo(h(), &info), 22);
    EXPECT_EQ(info.recordIndex, 22);
    EXPECT_EQ(Add(Media("newer", cat)), 25);
    EXPECT_EQ(Add(Media("newest", cat)), 26);
    EXPECT_STREQ(Stored(22).title, "new");
}

TEST_F(MediaRecordsTest, LiveInputLocationIsBuiltOnTheStoredItemOnly) {
    MediaInfo info = Media("tuner");
    info.mediaType = 0x300;
    info.channel = 5;
    const int32_t index = AddMediaInfo(h(), &info);
    ASSERT_GE(index, 0);
    EXPECT_STREQ(info.location, "file://tuner");
    EXPECT_STREQ(Stored(index).location, "LIVE:TV5");
    MediaInfo plain = Media("plain");
    EXPECT_STREQ(Stored(Add(plain)).location, "file://plain");
}

TEST_F(MediaRecordsTest, AccessFlagsDecideAddDeleteAndReplace) {
    const int32_t open = AddCategory(0);
    const int32_t noAdd = AddCategory(MVDB_CATEGORY_NO_MEDIA_ADDITION);
    const int32_t noRemove = AddCategory(MVDB_CATEGORY_NO_MEDIA_REMOVAL);
    const int32_t moveAlways = AddCategory(MVDB_CATEGORY_REPLACE_IS_MOVE | MVDB_CATEGORY_NO_MEDIA_REMOVAL);
    const int32_t gone = AddCategory(0);
    ASSERT_EQ(DelCategoryInfo(h(), gone, 0), 0);

    // Items are filed with ReplaceMediaInfo's rules switched off by filing
    // them through AddMediaInfo into categories that allow it.
    struct AddCase {
        int32_t category;
        int32_t result;
    };
    for (const AddCase& c : std::vector<AddCase>{{open, -1},
                                                 {noAdd, MVDB_ERR_ACCESS_DENIED},
                                                 {noRemove, -1},
                                                 {1, MVDB_ERR_ACCESS_DENIED},
                                                 {gone, MVDB_ERR_OUT_OF_RANGE},
                                                 {-1, MVDB_ERR_OUT_OF_RANGE},
                                                 {99, MVDB_ERR_OUT_OF_RANGE}}) {
        const int32_t rc = Add(Media("x", c.category));
        if (c.result == -1) {
            EXPECT_GE(rc, 0) << c.category;
        } else {
            EXPECT_EQ(rc, c.result) << c.category;
        }
    }

    struct ReplaceCase {
        const char* name;
        int32_t from;
        int32_t to;
        int32_t result;
    };
    const std::vector<ReplaceCase> replaces = {
        {"within an open category", open, open, 0},
        {"into a category that forbids additions", open, noAdd, MVDB_ERR_ACCESS_DENIED},
        {"out of a category that forbids removal", noRemove, open, MVDB_ERR_ACCESS_DENIED},
        {"within a category that forbids removal", noRemove, noRemove, 0},
        {"within a category where a replace is a move", moveAlways, moveAlways, MVDB_ERR_ACCESS_DENIED},
        {"into a deleted category", open, gone, MVDB_ERR_OUT_OF_RANGE},
        {"out of the live-video category", 1, open, MVDB_ERR_ACCESS_DENIED},
    };
    for (const ReplaceCase& c : replaces) {
        int32_t index = 0;  // channel 1 lives in category 1
        if (c.from != 1) {
            // File an item in `from` by way of an open category.
            index = Add(Media("r", open));
            ASSERT_GE(index, 0);
            if (c.from != open) {
                MediaInfo moved = Stored(index);
                moved.categoryId = c.from;
                // The move rules would refuse some of these; a modify files it.
                ASSERT_EQ(ModifyMediaInfo(h(), &moved), index);
            }
        }
        MediaInfo replacement = Stored(index);
        replacement.categoryId = c.to;
        EXPECT_EQ(ReplaceMediaInfo(h(), index, &replacement), c.result) << c.name;
    }

    struct DeleteCase {
        int32_t category;
        int32_t result;
    };
    for (const DeleteCase& c : std::vector<DeleteCase>{
             {open, 0}, {noRemove, MVDB_ERR_ACCESS_DENIED}, {1, MVDB_ERR_ACCESS_DENIED}}) {
        int32_t index = 0;
        if (c.category != 1) {
            index = Add(Media("d", open));
            MediaInfo moved = Stored(index);
            moved.categoryId = c.category;
            ASSERT_EQ(ModifyMediaInfo(h(), &moved), index);
        }
        EXPECT_EQ(DelMediaInfo(h(), index), c.result) << c.category;
    }
}

TEST_F(MediaRecordsTest, ReplaceStoresTheFieldsWithTheItemsOwnIndex) {
    const int32_t index = Add(Media("before"));
    MediaInfo replacement = Stored(index);
    replacement.updateTime = 5;
    replacement.recordSize = 1;
    replacement.hostName[0] = '\0';
    std::snprintf(replacement.title, sizeof replacement.title, "after");
    replacement.recordIndex = 777;
    const int32_t before = platform::CurrentTime();
    ASSERT_EQ(ReplaceMediaInfo(h(), index, &replacement), 0);
    const MediaInfo stored = Stored(index);
    EXPECT_STREQ(stored.title, "after");
    EXPECT_STREQ(stored.hostName, "");
    EXPECT_EQ(stored.recordIndex, index);
    EXPECT_EQ(stored.recordSize, 960u);
    EXPECT_GE(stored.updateTime, before);
    EXPECT_EQ(test::MediaInFile(test::ReadFileBytes(mediaFile()), index).recordIndex, index);
    // The fields the replace set are written back into the caller's copy.
    EXPECT_EQ(replacement.recordIndex, index);
    EXPECT_EQ(replacement.recordSize, 960u);
    EXPECT_EQ(replacement.updateTime, stored.updateTime);
    EXPECT_EQ(ReplaceMediaInfo(h(), index, nullptr), MVDB_ERR_NO_RECORD);
    replacement.recordIndex = 3;
    EXPECT_EQ(ReplaceMediaInfo(h(), 999, &replacement), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(replacement.recordIndex, 3);  // a refused replace leaves the copy alone
}

// One required criterion: additional info piece 0 holds `pattern`.
FindCriteria AddInfoNode(const char* pattern) {
    FindCriteria node{};
    node.criteriaSize = MVDB_FIND_CRITERIA_SIZE;
    node.criteriaKind = MVDB_CRITERIA_TEXT;
    node.criteriaTarget = MVDB_TARGET_ADDINFO;
    node.combineRule = MVDB_COMBINE_REQUIRED;
    std::snprintf(node.pattern, sizeof node.pattern, "%s", pattern);
    return node;
}

// An index taken from the caller would make one item answer for another.
TEST_F(MediaRecordsTest, AReplacedItemIsNotMistakenForItsNeighbour) {
    const int32_t first = Add(Media("first", 0, "key-first"));
    const int32_t second = Add(Media("second", 0, "key-second"));
    ASSERT_EQ(SetAddInfo(h(), first, 0, 6, 0, "unique"), 0);
    MediaInfo replacement = Stored(second);
    replacement.recordIndex = first;
    ASSERT_EQ(ReplaceMediaInfo(h(), second, &replacement), 0);
    EXPECT_EQ(SearchMedia(h(), nullptr, "key-second"), second);
    const FindCriteria node = AddInfoNode("unique");
    ASSERT_EQ(FindMedia(h(), 0, &node, 2), 1);
    MediaInfo found{};
    ASSERT_EQ(GetChangedData(h(), 0, &found, 2), 0);
    EXPECT_STREQ(found.title, "first");
}

// A file written before replaces kept the position may name another item
// in recordIndex; the search in additional info still goes by the position.
TEST_F(MediaRecordsTest, AnItemIsKnownByItsPositionWhateverItsFileSays) {
    const int32_t first = Add(Media("first", 0, "key-first"));
    const int32_t second = Add(Media("second", 0, "key-second"));
    ASSERT_EQ(SetAddInfo(h(), first, 0, 6, 0, "unique"), 0);
    db_.Close();
    std::string bytes = test::ReadFileBytes(mediaFile());
    const size_t recordIndexAt =
        test::MediaElementOffset(static_cast<size_t>(second)) + offsetof(MediaInfo, recordIndex);
    std::memcpy(&bytes[recordIndexAt], &first, sizeof first);
    test::WriteFileBytes(mediaFile(), bytes);

    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());

    const FindCriteria node = AddInfoNode("unique");
    ASSERT_EQ(FindMedia(db.get(), 0, &node, 2), 1);
    MediaInfo found{};
    ASSERT_EQ(GetChangedData(db.get(), 0, &found, 2), 0);
    EXPECT_STREQ(found.title, "first");
}

TEST_F(MediaRecordsTest, AReplaceThatDeletesRemovesTheInfoFilesAsADeletionDoes) {
    const int32_t cat = AddCategory(0);
    const int32_t index = Add(Media("doomed", cat));
    ASSERT_EQ(SetAddInfo(h(), index, 0, 3, 0, "abc"), 0);
    ASSERT_EQ(SetAddInfo(h(), index, 5, 3, 5, "def"), 0);
    const std::string infoFile = infoPath("MVDB" + std::to_string(index) + "-0.dat");
    ASSERT_TRUE(std::filesystem::exists(infoFile));
    MediaInfo replacement = Stored(index);
    replacement.mediaFlags = MVDB_MEDIA_DELETED;
    ASSERT_EQ(ReplaceMediaInfo(h(), index, &replacement), 0);
    EXPECT_FALSE(std::filesystem::exists(infoFile));
    EXPECT_FALSE(std::filesystem::exists(infoPath("MVDB" + std::to_string(index) + "-5.dat")));
    // The next add takes the slot and starts without the old info.
    MediaInfo fresh = Media("fresh", cat);
    ASSERT_EQ(AddMediaInfo(h(), &fresh), index);
    int32_t size = 0;
    int32_t type = 0;
    EXPECT_NE(GetAddInfoType(h(), index, 0, &size, &type), 0);
    EXPECT_NE(GetAddInfoType(h(), index, 5, &size, &type), 0);
}

TEST_F(MediaRecordsTest, AReplaceThatDeletesObeysTheRuleOfADeletion) {
    // The seeded live inputs lie in a category that forbids removal.
    MediaInfo channel = Stored(0);
    channel.mediaFlags = MVDB_MEDIA_DELETED;
    EXPECT_EQ(ReplaceMediaInfo(h(), 0, &channel), MVDB_ERR_ACCESS_DENIED);
    EXPECT_EQ(GetMediaInfo(h(), 0, &channel), 0);
    const int32_t noRemove = AddCategory(MVDB_CATEGORY_NO_MEDIA_REMOVAL);
    const int32_t index = Add(Media("kept", noRemove));
    MediaInfo replacement = Stored(index);
    replacement.mediaFlags = MVDB_MEDIA_DELETED;
    EXPECT_EQ(ReplaceMediaInfo(h(), index, &replacement), MVDB_ERR_ACCESS_DENIED);
    replacement.mediaFlags = 0x10;  // other flags are a plain replace
    EXPECT_EQ(ReplaceMediaInfo(h(), index, &replacement), 0);
}

TEST_F(MediaRecordsTest, ModifyFindsTheLastLiveKeyMatchAndUpdatesSelectedFields) {
    const int32_t first = Add(Media("a", 0, "Shared-Key"));
    const int32_t second = Add(Media("b", 0, "shared-key"));
    const int32_t deleted = Add(Media("c", 0, "SHARED-KEY"));
    ASSERT_EQ(DelMediaInfo(h(), deleted), 0);

    MediaInfo change = Media("ignored", -1, "shared-KEY");
    change.recordIndex = -1;
    change.rangeProperty = 42;
    change.propertyPairA = 7;  // without propertyPairB both stay
    change.mediaType = 0;      // zero leaves the type
    change.fileTimeA = {0, 0};
    ASSERT_EQ(ModifyMediaInfo(h(), &change), second);
    EXPECT_EQ(change.recordIndex, second);
    const MediaInfo stored = Stored(second);
    EXPECT_EQ(stored.rangeProperty, 42u);
    EXPECT_EQ(stored.propertyPairA, 0u);
    EXPECT_EQ(stored.mediaType, 0x100u);
    EXPECT_EQ(stored.categoryId, 0);
    EXPECT_STREQ(stored.title, "b");
    EXPECT_STREQ(Stored(first).title, "a");

    // A valid index names its slot, deleted or not; the slot stays deleted.
    change.recordIndex = deleted;
    change.categoryId = 1;
    EXPECT_EQ(ModifyMediaInfo(h(), &change), deleted);
    MediaInfo out;
    EXPECT_EQ(GetMediaInfo(h(), deleted, &out), MVDB_ERR_OUT_OF_RANGE);

    MediaInfo missing = Media("x", 0, "no such key");
    missing.recordIndex = 10000;
    EXPECT_EQ(ModifyMediaInfo(h(), &missing), MVDB_ERR_NOT_FOUND);
    EXPECT_EQ(ModifyMediaInfo(h(), nullptr), MVDB_ERR_INVALID);
}

// A modify names the category an item is to be in: it must exist, and
// moving a live item obeys the access flags as a replace does.
TEST_F(MediaRecordsTest, ModifyMovesOnlyIntoExistingCategoriesAndObeysTheFlags) {
    const int32_t open = AddCategory(0);
    const int32_t noAdd = AddCategory(MVDB_CATEGORY_NO_MEDIA_ADDITION);
    const int32_t gone = AddCategory(0);
    ASSERT_EQ(DelCategoryInfo(h(), gone, 0), 0);
    const int32_t item = Add(Media("m", open, "key-m"));
    struct Case {
        const char* name;
        int32_t index;  // the item modified
        int32_t category;
        int32_t result;
        int32_t filedIn;  // afterwards
    };
    const std::vector<Case> cases = {
        {"into a category that does not exist", item, 999, MVDB_ERR_OUT_OF_RANGE, open},
        {"into a deleted category", item, gone, MVDB_ERR_OUT_OF_RANGE, open},
        {"into a category that forbids additions", item, noAdd, MVDB_ERR_ACCESS_DENIED, open},
        {"the live input out of its protected category", 0, 0, MVDB_ERR_ACCESS_DENIED, 1},
        {"a negative category leaves the item where it is", 0, -1, 0, 1},
        {"to the Root", item, 0, item, 0},
    };
    for (const Case& c : cases) {
        // A zero-filled record that names only the slot and the category.
        MediaInfo change{};
        change.recordIndex = c.index;
        change.categoryId = c.category;
        std::snprintf(change.location, sizeof change.location, "moved");
        EXPECT_EQ(ModifyMediaInfo(h(), &change), c.result == 0 ? c.index : c.result) << c.name;
        EXPECT_EQ(Stored(c.index).categoryId, c.filedIn) << c.name;
    }
}

// An item filed in a category that no longer exists, as an older file may
// hold it, can always be deleted or moved.
TEST_F(MediaRecordsTest, AnItemInAMissingCategoryCanBeMovedOrDeleted) {
    const int32_t first = Add(Media("first"));
    const int32_t second = Add(Media("second"));
    db_.Close();
    std::string bytes = test::ReadFileBytes(mediaFile());
    for (const int32_t index : {first, second}) {
        const int32_t missing = 77;
        std::memcpy(bytes.data() + test::MediaElementOffset(static_cast<size_t>(index)) +
                        offsetof(MediaInfo, categoryId),
                    &missing, sizeof missing);
    }
    test::WriteFileBytes(mediaFile(), bytes);
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    EXPECT_EQ(DelMediaInfo(db.get(), first), 0);
    MediaInfo moved{};
    ASSERT_EQ(GetMediaInfo(db.get(), second, &moved), 0);
    ASSERT_EQ(moved.categoryId, 77);
    moved.categoryId = 0;
    EXPECT_EQ(ReplaceMediaInfo(db.get(), second, &moved), 0);
}

TEST_F(MediaRecordsTest, ClearResetsCategoriesAndMediaButNotTheSlots) {
    const int32_t cat = AddCategory(0);
    for (int i = 0; i < 3; ++i) Add(Media("m", cat));
    ASSERT_EQ(CheckCategorizedData(h(), cat, 9), 3);
    ASSERT_EQ(SetAddInfo(h(), 21, 0, 3, 0, "abc"), 0);
    ASSERT_EQ(ClearMediaInfo(h()), 0);
    EXPECT_EQ(GetMediaCount(h()), 20);
    EXPECT_EQ(GetCategoryCount(h()), 2);
    EXPECT_TRUE(std::filesystem::is_empty(infoFolder()));
    MediaInfo copy{};
    EXPECT_EQ(GetChangedData(h(), 2, &copy, 9), 0);
    EXPECT_STREQ(copy.title, "m");
}

TEST_F(MediaRecordsTest, NullHandleAndNullRecords) {
    MediaInfo info = Media("x");
    EXPECT_EQ(AddMediaInfo(nullptr, &info), MVDB_ERR_INVALID);
    EXPECT_EQ(DelMediaInfo(nullptr, 0), MVDB_ERR_INVALID);
    EXPECT_EQ(ReplaceMediaInfo(nullptr, 0, &info), MVDB_ERR_INVALID);
    EXPECT_EQ(ModifyMediaInfo(nullptr, &info), MVDB_ERR_INVALID);
    EXPECT_EQ(ClearMediaInfo(nullptr), MVDB_ERR_INVALID);
    EXPECT_EQ(AddMediaInfo(h(), nullptr), MVDB_ERR_INVALID);
}

}  // namespace
}  // namespace mvdb
