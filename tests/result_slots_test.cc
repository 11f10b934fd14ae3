// Result slots reuse the storage of an earlier list: a refill never shows
// entries of a former, longer list, and a reader sees one whole list.
#include "storage/result_slots.h"

#include <gtest/gtest.h>

#include <vector>

namespace mvdb {
namespace {

TEST(ResultSlotsTest, ARefillShowsOnlyItsOwnEntriesWhateverTheSlotHeldBefore) {
    ResultSlots<int> slots;
    const std::vector<std::vector<int>> fills = {{1, 2, 3, 4, 5}, {7},      {},
                                                 {8, 9, 10},      {11, 12}, {1, 2, 3, 4, 5, 6, 7}};
    for (const std::vector<int>& fill : fills) {
        const int32_t length = slots.Rebuild(3, [&](std::vector<int>& entries) {
            EXPECT_TRUE(entries.empty());
            entries.insert(entries.end(), fill.begin(), fill.end());
        });
        ASSERT_EQ(length, static_cast<int32_t>(fill.size()));
        EXPECT_EQ(slots.Length(3), length);
        for (int32_t n = 0; n < length; ++n) {
            int value = 0;
            ASSERT_TRUE(slots.Get(3, n, &value));
            EXPECT_EQ(value, fill[static_cast<size_t>(n)]);
        }
        int value = 0;
        EXPECT_FALSE(slots.Get(3, length, &value));
        // Other slots stay empty.
        EXPECT_EQ(slots.Length(4), 0);
    }
}

}  // namespace
}  // namespace mvdb
