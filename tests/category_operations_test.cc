// Reading and editing the category tree through the exports.
#include <gtest/gtest.h>

#include "support/container_bytes.h"
#include "support/records.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

using test::Category;
using test::Media;

class CategoryOperationsTest : public test::DatabaseTest {
protected:
    void SetUp() override { ASSERT_TRUE(db_.ok()); }
    MVDB_HANDLE h() { return db_.get(); }
    int32_t Add(const std::string& name, int32_t parent, uint32_t flags = 0) {
        CategoryInfo c = Category(name, parent, flags);
        return AddCategoryInfo(h(), &c);
    }
    bool Live(int32_t position) {
        CategoryInfo out;
        return GetCategoryInfo(h(), position, &out) == 0;
    }
    int32_t Parent(int32_t position) {
        CategoryInfo out{};
        EXPECT_EQ(GetCategoryInfo(h(), position, &out), 0);
        return out.parentId;
    }
    int32_t FileMedia(int32_t category, uint32_t flags = 0) {
        MediaInfo info = Media("item", category);
        const int32_t index = AddMediaInfo(h(), &info);
        if (flags != 0) {
            info.mediaFlags = flags;
            EXPECT_EQ(ReplaceMediaInfo(h(), index, &info), 0);
        }
        return index;
    }
    int32_t MediaCategory(int32_t index) {
        MediaInfo out{};
        EXPECT_EQ(GetMediaInfo(h(), index, &out), 0);
        return out.categoryId;
    }
    test::OpenDatabase db_;
};

TEST_F(CategoryOperationsTest, DefaultTree) {
    EXPECT_EQ(GetCategoryCount(h()), 2);
    ASSERT_EQ(CheckChildCategory(h(), 0, 5), 1);
    CategoryInfo live{};
    ASSERT_EQ(GetCheckedCategory(h(), 0, &live, 5), 0);
    EXPECT_EQ(live.categoryId, 1);
    uint32_t flags = 0;
    ASSERT_EQ(GetCategoryAccessFlag(h(), 1, &flags), 0);
    EXPECT_EQ(flags, 0x1061u);
    EXPECT_EQ(GetCategoryAccessFlag(h(), 1, nullptr), MVDB_ERR_INVALID);
    EXPECT_EQ(GetCategoryInfo(h(), 0, nullptr), MVDB_ERR_INVALID);
}

TEST_F(CategoryOperationsTest, AddWritesBackAndReusesTheLowestTombstone) {
    EXPECT_EQ(Add("under live video", 1), MVDB_ERR_ACCESS_DENIED);
    EXPECT_EQ(Add("no parent", 9), MVDB_ERR_OUT_OF_RANGE);
    CategoryInfo c = Category("films", 0);
    c.categoryStatus = MVDB_CATEGORY_DELETED | 0x100;
    ASSERT_EQ(AddCategoryInfo(h(), &c), 2);
    EXPECT_EQ(c.recordSize, 592u);
    EXPECT_EQ(c.categoryId, 2);
    EXPECT_EQ(c.categoryStatus, 0u);
    EXPECT_EQ(Add("b", 0), 3);
    EXPECT_EQ(Add("c", 0), 4);
    ASSERT_EQ(DelCategoryInfo(h(), 3, 0), 0);
    EXPECT_EQ(GetCategoryCount(h()), 5);
    EXPECT_FALSE(Live(3));
    EXPECT_EQ(DelCategoryInfo(h(), 3, 0), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(Add("again", 0), 3);
    const std::string file = test::ReadFileBytes(categoryFile());
    EXPECT_EQ(test::CountInFile(file), 5);
    EXPECT_STREQ(test::RecordInFile<CategoryInfo>(file, 3).categoryName, "again");
}

TEST_F(CategoryOperationsTest, RootAndSystemCategoriesResistDeletion) {
    EXPECT_EQ(DelCategoryInfo(h(), 0, 0), MVDB_ERR_ACCESS_DENIED);  // the Root has a live child
    EXPECT_EQ(DelCategoryInfo(h(), 1, 1), MVDB_ERR_ACCESS_DENIED);  // media in it and a system category
    MediaInfo channel;
    for (int32_t i = 0; i < 20; ++i) {
        ASSERT_EQ(GetMediaInfo(h(), i, &channel), 0);
        channel.mediaFlags = MVDB_MEDIA_CATEGORY_NEUTRAL;
        ASSERT_EQ(ReplaceMediaInfo(h(), i, &channel), 0);
    }
    EXPECT_EQ(DelCategoryInfo(h(), 1, 0), MVDB_ERR_ACCESS_DENIED);
    EXPECT_EQ(DelCategoryInfo(h(), 0, 1), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(DelCategoryInfo(h(), 5, 1), MVDB_ERR_OUT_OF_RANGE);
}

// The tree for the deletion modes:
//   0 Root
//   +- 2 A            (item a)
//      +- 3 B         (item b)
//      |  +- 4 C      (item c)
//      +- 5 S, system
//         +- 6 D      (item d)
class DeletionModesTest : public CategoryOperationsTest {
protected:
    void SetUp() override {
        CategoryOperationsTest::SetUp();
        ASSERT_EQ(Add("A", 0), 2);
        ASSERT_EQ(Add("B", 2), 3);
        ASSERT_EQ(Add("C", 3), 4);
        ASSERT_EQ(Add("S", 2, MVDB_CATEGORY_SYSTEM), 5);
        // A child of a system category is only made by a replace.
        ASSERT_EQ(Add("D", 2), 6);
        CategoryInfo d = Category("D", 5);
        ASSERT_EQ(ReplaceCategoryInfo(h(), 6, &d), 0);
        itemB_ = FileMedia(3);
        itemC_ = FileMedia(4);
        itemD_ = FileMedia(6);
        neutralA_ = FileMedia(2, MVDB_MEDIA_CATEGORY_NEUTRAL);
    }
    int32_t itemB_ = 0, itemC_ = 0, itemD_ = 0, neutralA_ = 0;
};

TEST_F(DeletionModesTest, ModeZeroRefusesChildrenAndCountedMedia) {
    EXPECT_EQ(DelCategoryInfo(h(), 2, 0), MVDB_ERR_ACCESS_DENIED);  // live children
    EXPECT_EQ(DelCategoryInfo(h(), 4, 0), MVDB_ERR_ACCESS_DENIED);  // item c
    ASSERT_EQ(DelMediaInfo(h(), itemC_), 0);
    EXPECT_EQ(DelCategoryInfo(h(), 4, 0), 0);
    EXPECT_TRUE(Live(3));
}

TEST_F(DeletionModesTest, ModeOneDeletesTheSubtreeAndRefilesItsMedia) {
    for (int32_t item : {itemB_, itemC_, itemD_}) ASSERT_EQ(DelMediaInfo(h(), item), 0);
    const int32_t orphanB = FileMedia(3, MVDB_MEDIA_CATEGORY_NEUTRAL);
    ASSERT_EQ(DelCategoryInfo(h(), 2, 1), 0);
    EXPECT_FALSE(Live(2));
    EXPECT_FALSE(Live(3));
    EXPECT_FALSE(Live(4));
    EXPECT_TRUE(Live(5));                    // a system category stays
    EXPECT_FALSE(Live(6));                   // while its own descendants go
    EXPECT_EQ(MediaCategory(neutralA_), 0);  // re-filed into A's parent
    EXPECT_EQ(MediaCategory(orphanB), 0);
    const std::string file = test::ReadFileBytes(categoryFile());
    EXPECT_EQ(test::RecordInFile<CategoryInfo>(file, 4).categoryStatus, MVDB_CATEGORY_DELETED);
}

TEST_F(DeletionModesTest, ModeOneIsRefusedWhileCountedMediaRemain) {
    EXPECT_EQ(DelCategoryInfo(h(), 3, 1), MVDB_ERR_ACCESS_DENIED);  // item b
    ASSERT_EQ(DelMediaInfo(h(), itemB_), 0);
    ASSERT_EQ(DelCategoryInfo(h(), 3, 1), 0);  // item c in the subtree does not count
    EXPECT_FALSE(Live(4));
    EXPECT_EQ(MediaCategory(itemC_), 2);
}

TEST_F(DeletionModesTest, ModeTwoMovesChildrenUp) {
    ASSERT_EQ(DelMediaInfo(h(), itemB_), 0);
    ASSERT_EQ(DelCategoryInfo(h(), 3, 2), 0);
    EXPECT_FALSE(Live(3));
    EXPECT_EQ(Parent(4), 2);
    EXPECT_EQ(MediaCategory(itemC_), 4);  // still in a live category
    // A system child is refused the move and keeps its tombstone parent.
    ASSERT_EQ(DelMediaInfo(h(), neutralA_), 0);
    ASSERT_EQ(DelCategoryInfo(h(), 2, 2), 0);
    EXPECT_EQ(Parent(4), 0);
    EXPECT_EQ(Parent(5), 2);
}

// No deletion leaves an item in a category that does not exist: items go
// to the nearest existing ancestor, else the Root, in every mode, the
// category-neutral ones included.
TEST_F(DeletionModesTest, ItemsLeftWithoutACategoryGoToTheNearestExistingAncestor) {
    struct Case {
        const char* name;
        int32_t category;  // deleted in `mode`
        int32_t mode;
        int32_t parent;  // set by a replace first, when not 0
        int32_t receiving;
    };
    const std::vector<Case> cases = {
        {"mode 0, a neutral item", 4, 0, 0, 3},
        {"mode 2, a neutral item", 4, 2, 0, 3},
        {"mode 1, a parent that does not exist", 4, 1, -1, 0},
        {"mode 2, a parent that was deleted before", 4, 2, 7, 2},
    };
    ASSERT_EQ(Add("E", 2), 7);
    ASSERT_EQ(DelCategoryInfo(h(), 7, 0), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(DelMediaInfo(h(), itemC_), 0);
        if (c.parent != 0) {
            CategoryInfo moved = Category("C", c.parent);
            ASSERT_EQ(ReplaceCategoryInfo(h(), 4, &moved), 0);
        }
        const int32_t neutral = FileMedia(4, MVDB_MEDIA_CATEGORY_NEUTRAL);
        ASSERT_EQ(DelCategoryInfo(h(), c.category, c.mode), 0);
        EXPECT_EQ(MediaCategory(neutral), c.receiving);
        // Filed where it is, the item can be moved and deleted as any other.
        MediaInfo item{};
        ASSERT_EQ(GetMediaInfo(h(), neutral, &item), 0);
        EXPECT_EQ(ReplaceMediaInfo(h(), neutral, &item), 0);
        EXPECT_EQ(DelMediaInfo(h(), neutral), 0);
        // The next case starts from a live C again, holding item c.
        ASSERT_EQ(Add("C", 3), 4);
        itemC_ = FileMedia(4);
    }
}

TEST_F(DeletionModesTest, AReplaceThatDeletesACategoryRefilesItsItems) {
    CategoryInfo gone = Category("C", 3);
    gone.categoryStatus = MVDB_CATEGORY_DELETED;
    ASSERT_EQ(ReplaceCategoryInfo(h(), 4, &gone), 0);
    EXPECT_EQ(MediaCategory(itemC_), 3);
    EXPECT_EQ(DelMediaInfo(h(), itemC_), 0);
}

TEST_F(DeletionModesTest, ChildListsAndTheirSlots) {
    ASSERT_EQ(CheckChildCategory(h(), 2, 10), 2);
    CategoryInfo out{};
    ASSERT_EQ(GetCheckedCategory(h(), 1, &out, 10), 0);
    EXPECT_EQ(out.categoryId, 5);
    EXPECT_EQ(CheckChildCategory(h(), 4, 10), 0);
    EXPECT_EQ(GetCheckedCategory(h(), 0, &out, 10), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(CheckChildCategory(h(), 2, 64), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(CheckChildCategory(h(), 2, -1), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(CheckChildCategory(h(), 7, 0), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(GetCheckedCategory(h(), 0, nullptr, 10), MVDB_ERR_INVALID);
    // A list made before a reset names positions that are gone.
    ASSERT_EQ(CheckChildCategory(h(), 2, 11), 2);
    ASSERT_EQ(InitializeDB(h()), 0);
    EXPECT_EQ(GetCheckedCategory(h(), 1, &out, 11), MVDB_ERR_OUT_OF_RANGE);
}

TEST_F(CategoryOperationsTest, ReplaceRules) {
    CategoryInfo root = Category("Root2", -1);
    EXPECT_EQ(ReplaceCategoryInfo(h(), 0, &root), MVDB_ERR_ACCESS_DENIED);
    EXPECT_EQ(ReplaceCategoryInfo(h(), 0, nullptr), MVDB_ERR_INVALID);
    CategoryInfo system = Category("x", 0, MVDB_CATEGORY_SYSTEM);
    EXPECT_EQ(ReplaceCategoryInfo(h(), 9, &system), MVDB_ERR_OUT_OF_RANGE);
    ASSERT_EQ(Add("films", 0), 2);
    CategoryInfo renamed = Category("movies", 0);
    renamed.categoryId = 77;
    ASSERT_EQ(ReplaceCategoryInfo(h(), 2, &renamed), 0);
    EXPECT_EQ(renamed.categoryId, 2);
    CategoryInfo out{};
    ASSERT_EQ(GetCategoryInfo(h(), 2, &out), 0);
    EXPECT_STREQ(out.categoryName, "movies");
    EXPECT_EQ(out.recordSize, 592u);
    CategoryInfo tombstone = Category("gone", 0);
    tombstone.categoryStatus = MVDB_CATEGORY_DELETED;
    ASSERT_EQ(ReplaceCategoryInfo(h(), 2, &tombstone), 0);
    EXPECT_EQ(GetCategoryInfo(h(), 2, &out), MVDB_ERR_OUT_OF_RANGE);
}

class DamagedTreeTest : public test::DatabaseTest {};

TEST_F(DamagedTreeTest, ParentLinksThatLoopDoNotHangTheSubtreeWalk) {
    // Position 4 claims the id 3 and names itself as its parent.
    std::vector<CategoryInfo> records = {Category("Root", -1, MVDB_CATEGORY_SYSTEM), Category("Live", 0),
                                         Category("A", 0), Category("B", 2), Category("X", 3)};
    for (int32_t i = 0; i < 5; ++i) {
        records[static_cast<size_t>(i)].recordSize = 592;
        records[static_cast<size_t>(i)].categoryId = i;
    }
    records[4].categoryId = 3;
    test::WriteFileBytes(categoryFile(), test::ContainerBytes(DBAccount{}, 5, test::RecordBytes(records)));
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    ASSERT_EQ(DelCategoryInfo(db.get(), 2, 1), 0);
    CategoryInfo out;
    EXPECT_EQ(GetCategoryInfo(db.get(), 3, &out), MVDB_ERR_OUT_OF_RANGE);
    EXPECT_EQ(GetCategoryInfo(db.get(), 4, &out), MVDB_ERR_OUT_OF_RANGE);
}

}  // namespace
}  // namespace mvdb
