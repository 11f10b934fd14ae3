#include <gtest/gtest.h>

#include <cstring>

#include "category/category_database.h"
#include "frame/database_handle.h"
#include "support/container_bytes.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

class CategoryStoreTest : public test::DatabaseTest {
protected:
    // Writes a category file with live categories at positions 0 to n - 1,
    // tombstones where asked.
    void WriteCategories(int32_t n, std::vector<int32_t> tombstones) {
        std::vector<CategoryInfo> records(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) {
            CategoryInfo& r = records[static_cast<size_t>(i)];
            r.recordSize = 592;
            r.categoryId = i;
            std::snprintf(r.categoryName, sizeof r.categoryName, "C%d", i);
            r.parentId = i == 0 ? -1 : 0;
            r.accessFlags = static_cast<uint32_t>(0x100 + i);
        }
        for (int32_t t : tombstones) records[static_cast<size_t>(t)].categoryStatus = 4;
        test::WriteFileBytes(categoryFile(),
                             test::ContainerBytes(DBAccount{}, n, test::RecordBytes(records)));
    }
};

TEST_F(CategoryStoreTest, NewIdAndFreeSlotNameTheLowestTombstone) {
    WriteCategories(6, {3, 5});
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    const CategoryDatabase& store = FromHandle(db.get())->categories();
    EXPECT_EQ(store.NewCategoryId(), 3);
    EXPECT_EQ(store.FindFreeSlot(), 3);
}

TEST_F(CategoryStoreTest, WithoutTombstonesTheNewIdIsTheCount) {
    WriteCategories(6, {});
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    const CategoryDatabase& store = FromHandle(db.get())->categories();
    EXPECT_EQ(store.NewCategoryId(), 6);
    EXPECT_EQ(store.FindFreeSlot(), MVDB_ERR_OUT_OF_RANGE);
}

TEST_F(CategoryStoreTest, AccessFlagsAndParentsOfLiveCategoriesOnly) {
    WriteCategories(4, {2});
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    const CategoryDatabase& store = FromHandle(db.get())->categories();
    uint32_t flags = 0;
    EXPECT_EQ(store.GetAccessFlags(3, &flags), 0);
    EXPECT_EQ(flags, 0x103u);
    for (int32_t position : {-1, 2, 4, 1000}) {
        EXPECT_EQ(store.GetAccessFlags(position, &flags), MVDB_ERR_OUT_OF_RANGE) << position;
        EXPECT_EQ(store.CheckParent(position), MVDB_ERR_OUT_OF_RANGE) << position;
    }
    EXPECT_EQ(store.CheckParent(0), 0);
    EXPECT_EQ(store.CheckParent(3), 0);
}

TEST_F(CategoryStoreTest, ClearKeepsOldBytesBehindTheNewCount) {
    WriteCategories(5, {});
    test::OpenDatabase db;
    ASSERT_TRUE(db.ok());
    ASSERT_EQ(InitializeDB(db.get()), 0);
    const std::string file = test::ReadFileBytes(categoryFile());
    EXPECT_EQ(test::CountInFile(file), 2);
    EXPECT_EQ(file.size(), 174u + 5 * 592);
    EXPECT_STREQ(test::RecordInFile<CategoryInfo>(file, 2).categoryName, "C2");
    EXPECT_EQ(FromHandle(db.get())->categories().NewCategoryId(), 2);
}

}  // namespace
}  // namespace mvdb
