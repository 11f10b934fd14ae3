// The record array across its blocks of storage: a load that spans several
// blocks, scans and copies that cross block edges, and an undone change
// that gives back records from more than one block.
#include "storage/record_array.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "storage/transaction.h"

namespace mvdb::test {
namespace {

struct Number {
    int32_t value;
};

using Numbers = RecordArray<Number>;
constexpr size_t kBlock = Numbers::kBlockRecords;

// Loads `n` records numbered from 0.
void Load(Numbers* array, size_t n) {
    const size_t appended = array->AppendRaw(n, [](uint8_t* dest, size_t first, size_t k) {
        for (size_t i = 0; i < k; ++i) {
            const Number number{static_cast<int32_t>(first + i)};
            std::memcpy(dest + i * sizeof(Number), &number, sizeof number);
        }
        return k;
    });
    ASSERT_EQ(appended, n);
}

TEST(RecordArrayBlocks, LoadScanCopyAndAppendAcrossBlockEdges) {
    Numbers array;
    Load(&array, 2 * kBlock + 7);
    ASSERT_EQ(array.Size(), static_cast<int32_t>(2 * kBlock + 7));
    for (const size_t at : {size_t{0}, kBlock - 1, kBlock, 2 * kBlock + 6}) {
        Number n{};
        ASSERT_TRUE(array.Get(static_cast<int32_t>(at), &n));
        EXPECT_EQ(n.value, static_cast<int32_t>(at));
        // A scan from just before an edge finds the record just after it.
        const auto wanted = static_cast<int32_t>(at);
        EXPECT_EQ(array.FindFirst([wanted](const Number& r) { return r.value == wanted; },
                                  wanted > 3 ? wanted - 3 : 0),
                  wanted);
    }
    std::vector<Number> copy;
    ASSERT_EQ(array.CopyRange(static_cast<int32_t>(kBlock - 2), 5, &copy), 5u);
    for (size_t i = 0; i < copy.size(); ++i) EXPECT_EQ(copy[i].value, static_cast<int32_t>(kBlock - 2 + i));
    // Appends fill the last block and go on into new ones.
    for (size_t i = 2 * kBlock + 7; i < 3 * kBlock + 3; ++i)
        ASSERT_EQ(array.Append(Number{static_cast<int32_t>(i)}), static_cast<int32_t>(i));
    const std::vector<Number> all = array.Snapshot();
    ASSERT_EQ(all.size(), 3 * kBlock + 3);
    for (size_t i = 0; i < all.size(); ++i) ASSERT_EQ(all[i].value, static_cast<int32_t>(i));
}

// A fill keeps exactly the records, in order, that a record-by-record scan
// chooses: runs that cross a chunk or a block edge, a run at the very end,
// single records, none at all.
TEST(RecordArrayBlocks, AppendWhereKeepsWhatAScanChoosesAcrossEdges) {
    Numbers array;
    Load(&array, 2 * kBlock + 37);
    using Choice = bool (*)(int32_t);
    const Choice choices[] = {
        [](int32_t v) { return v % 3 != 0; },
        [](int32_t v) { return v % 7 == 0; },
        [](int32_t) { return true; },
        [](int32_t) { return false; },
        [](int32_t v) { return v > static_cast<int32_t>(2 * kBlock); },  // a run to the end
        [](int32_t v) {
            return (v >= static_cast<int32_t>(Numbers::kScanChunk) - 5 &&
                    v < static_cast<int32_t>(Numbers::kScanChunk) + 5) ||
                   (v >= static_cast<int32_t>(kBlock) - 3 && v < static_cast<int32_t>(kBlock) + 3);
        },
    };
    for (const Choice choose : choices) {
        std::vector<int32_t> expected;
        array.ForEach([&](int32_t, const Number& n) {
            if (choose(n.value)) expected.push_back(n.value);
        });
        std::vector<int32_t> filled = {-5};  // appended to, not replaced
        array.AppendWhere([&](const Number& n) { return choose(n.value); },
                          [](const Number& n) -> const int32_t& { return n.value; }, &filled);
        ASSERT_EQ(filled.size(), expected.size() + 1);
        EXPECT_EQ(filled[0], -5);
        for (size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(filled[i + 1], expected[i]) << i;
    }
}

// A change that is never committed gives back what it appended and what it
// overwrote, whichever blocks they lie in.
TEST(RecordArrayBlocks, AnUndoneChangeRestoresRecordsAndSizeAcrossBlocks) {
    Numbers array;
    Load(&array, kBlock - 1);
    {
        Transaction change(nullptr);
        for (size_t i = 0; i < kBlock + 10; ++i) array.Append(Number{-1});
        array.Set(3, Number{-3});
        array.Update(static_cast<int32_t>(kBlock + 2), [](Number& n) { n.value = -4; });
        ASSERT_EQ(array.Size(), static_cast<int32_t>(2 * kBlock + 9));
    }  // abandoned: undone
    ASSERT_EQ(array.Size(), static_cast<int32_t>(kBlock - 1));
    const std::vector<Number> all = array.Snapshot();
    for (size_t i = 0; i < all.size(); ++i) ASSERT_EQ(all[i].value, static_cast<int32_t>(i));
    // The array grows again from where it was.
    EXPECT_EQ(array.Append(Number{7}), static_cast<int32_t>(kBlock - 1));
    EXPECT_EQ(array.Append(Number{8}), static_cast<int32_t>(kBlock));
    Number n{};
    ASSERT_TRUE(array.Get(static_cast<int32_t>(kBlock), &n));
    EXPECT_EQ(n.value, 8);
}

}  // namespace
}  // namespace mvdb::test
