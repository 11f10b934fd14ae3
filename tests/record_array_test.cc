// The record array across its blocks of storage: a load that spans several
// blocks, scans and copies that cross block edges, an undone change that
// gives back records from more than one block, and blocks left in the file
// until an access first reaches them.
#include "storage/record_array.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Blocks left in the file: a loader that counts what it is asked to read
// and can be told to fail.
class LazyArrayTest : public ::testing::Test {
protected:
    static constexpr size_t kRecords = 3 * kBlock + 10;

    void SetUp() override {
        array_.LoadLazily(kRecords, [this](uint8_t* dest, size_t first, size_t k) {
            reads_.push_back(first);
            const size_t n = failFrom_ > first ? std::min(k, failFrom_ - first) : 0;
            for (size_t i = 0; i < n; ++i) {
                const Number number{static_cast<int32_t>(first + i)};
                std::memcpy(dest + i * sizeof(Number), &number, sizeof number);
            }
            return n;
        });
    }

    // Every record holds its own index, from `from` on.
    void ExpectNumbered(size_t from = 0) {
        const std::vector<Number> all = array_.Snapshot();
        for (size_t i = from; i < all.size(); ++i) ASSERT_EQ(all[i].value, static_cast<int32_t>(i)) << i;
    }

    Numbers array_;
    std::vector<size_t> reads_;
    size_t failFrom_ = SIZE_MAX;
};

// Nothing is read until an access reaches a block; then exactly that block
// is read, once, and every access answers as if all had been read at once.
TEST_F(LazyArrayTest, ABlockIsReadOnceWhenAnAccessFirstReachesIt) {
    EXPECT_EQ(array_.Size(), static_cast<int32_t>(kRecords));
    EXPECT_TRUE(reads_.empty());
    Number n{};
    ASSERT_TRUE(array_.Get(static_cast<int32_t>(kBlock + 5), &n));
    EXPECT_EQ(n.value, static_cast<int32_t>(kBlock + 5));
    ASSERT_TRUE(array_.Get(static_cast<int32_t>(kBlock), &n));
    EXPECT_EQ(reads_, std::vector<size_t>{kBlock});
    // A change of an unread record reads its block first: the rest of the
    // block keeps what the file holds.
    ASSERT_TRUE(array_.Set(static_cast<int32_t>(2 * kBlock + 1), Number{-1}));
    EXPECT_EQ(reads_, (std::vector<size_t>{kBlock, 2 * kBlock}));
    ASSERT_TRUE(array_.Get(static_cast<int32_t>(2 * kBlock), &n));
    EXPECT_EQ(n.value, static_cast<int32_t>(2 * kBlock));
    // A scan reads what is left, each block once.
    EXPECT_EQ(array_.FindFirst([](const Number& r) { return r.value == -1; }),
              static_cast<int32_t>(2 * kBlock + 1));
    ASSERT_TRUE(
        array_.Set(static_cast<int32_t>(2 * kBlock + 1), Number{static_cast<int32_t>(2 * kBlock + 1)}));
    ExpectNumbered();
    EXPECT_EQ(reads_, (std::vector<size_t>{kBlock, 2 * kBlock, 0, 3 * kBlock}));
    EXPECT_FALSE(array_.LoadFailed());
}

// Appends go into the last block, read first; an undone append cuts back
// to the loaded records; a replacement takes every unread block with it,
// and its undo gives them back whole.
TEST_F(LazyArrayTest, AppendsUndoAndReplacementKeepTheRecordsTheFileHeld) {
    {
        Transaction change(nullptr);
        for (size_t i = 0; i < kBlock; ++i) array_.Append(Number{static_cast<int32_t>(kRecords + i)});
        EXPECT_EQ(reads_, std::vector<size_t>{3 * kBlock});
        ExpectNumbered();
    }  // abandoned: undone
    ASSERT_EQ(array_.Size(), static_cast<int32_t>(kRecords));
    EXPECT_EQ(array_.Append(Number{static_cast<int32_t>(kRecords)}), static_cast<int32_t>(kRecords));
    {
        Transaction change(nullptr);
        array_.Replace({Number{42}});
        ASSERT_EQ(array_.Size(), 1);
    }  // abandoned: undone
    ASSERT_EQ(array_.Size(), static_cast<int32_t>(kRecords + 1));
    ExpectNumbered();
    EXPECT_EQ(reads_.size(), 4u);
}

// A block the loader cannot give back whole holds zero bytes where records
// are missing, and the array says so from then on.
TEST_F(LazyArrayTest, ABlockThatCannotBeReadWholeIsReported) {
    failFrom_ = kBlock + 3;
    Number n{};
    ASSERT_TRUE(array_.Get(1, &n));
    EXPECT_FALSE(array_.LoadFailed());
    ASSERT_TRUE(array_.Get(static_cast<int32_t>(kBlock + 2), &n));
    EXPECT_EQ(n.value, static_cast<int32_t>(kBlock + 2));
    EXPECT_TRUE(array_.LoadFailed());
    ASSERT_TRUE(array_.Get(static_cast<int32_t>(kBlock + 3), &n));
    EXPECT_EQ(n.value, 0);
    failFrom_ = SIZE_MAX;  // no block is read twice, so the failure stays
    ASSERT_TRUE(array_.Get(static_cast<int32_t>(kBlock + 3), &n));
    EXPECT_EQ(n.value, 0);
    EXPECT_TRUE(array_.LoadFailed());
}

}  // namespace
}  // namespace mvdb::test
