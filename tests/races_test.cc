// Changes racing each other from several threads: every change reaches the
// file with its latest bytes, a category check and the change it allows
// happen as one step, and an add reuses a slot the moment it is deleted.
// Meant for the ThreadSanitizer build as much as for the plain one.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/records.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

using test::Category;
using test::Media;

class RacesTest : public test::DatabaseTest {
protected:
    void SetUp() override { ASSERT_TRUE(db_->ok()); }
    MVDB_HANDLE h() { return db_->get(); }
    void Reopen() {
        db_.reset();
        db_ = std::make_unique<test::OpenDatabase>();
        ASSERT_TRUE(db_->ok());
    }
    // Runs every function on a thread of its own, all let go at once.
    static void RunTogether(const std::vector<std::function<void()>>& bodies) {
        std::atomic<bool> go{false};
        std::vector<std::thread> threads;
        for (const auto& body : bodies) {
            threads.emplace_back([&go, &body] {
                while (!go.load()) std::this_thread::yield();
                body();
            });
        }
        go = true;
        for (std::thread& t : threads) t.join();
    }
    std::unique_ptr<test::OpenDatabase> db_ = std::make_unique<test::OpenDatabase>();
};

// A replace copies the item's record but keeps its info area; a concurrent
// SetAddInfo changes the info area. Whichever writes last, the file must
// end with both: no older copy of the element may overtake a newer one.
TEST_F(RacesTest, ReplaceAndSetAddInfoOnOneItemBothReachTheFile) {
    constexpr int kItems = 12;
    constexpr int kPieces = 8;
    std::vector<int32_t> items;
    for (int i = 0; i < kItems; ++i) {
        MediaInfo info = Media("item" + std::to_string(i));
        items.push_back(AddMediaInfo(h(), &info));
        ASSERT_GE(items.back(), 0);
    }
    for (const int32_t item : items) {
        std::vector<std::function<void()>> bodies;
        for (int r = 0; r < 2; ++r) {
            bodies.push_back([&, item, r] {
                for (int i = 0; i < 6; ++i) {
                    MediaInfo info = Media("replaced" + std::to_string(r) + "-" + std::to_string(i));
                    EXPECT_EQ(ReplaceMediaInfo(h(), item, &info), 0);
                }
            });
        }
        for (int s = 0; s < 2; ++s) {
            bodies.push_back([&, item, s] {
                for (int n = s; n < kPieces; n += 2) {
                    const std::string data = "piece " + std::to_string(n);
                    EXPECT_EQ(SetAddInfo(h(), item, n, static_cast<int32_t>(data.size()), n, data.data()), 0);
                }
            });
        }
        RunTogether(bodies);
        ASSERT_EQ(CheckAddInfo(h(), item), kPieces);
    }
    std::vector<std::string> titles;
    for (const int32_t item : items) {
        MediaInfo stored{};
        ASSERT_EQ(GetMediaInfo(h(), item, &stored), 0);
        titles.emplace_back(stored.title);
    }
    Reopen();
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(CheckAddInfo(h(), items[i]), kPieces) << "item " << items[i];
        MediaInfo stored{};
        ASSERT_EQ(GetMediaInfo(h(), items[i], &stored), 0);
        EXPECT_EQ(titles[i], stored.title);
    }
}

// Adds into a category race its deletion. Either the deletion is refused
// because an item arrived first, or the category goes and every add after
// it is refused: never a live item in a deleted category.
TEST_F(RacesTest, NoItemIsAddedIntoACategoryBeingDeleted) {
    constexpr int kRounds = 60;
    constexpr int kAdders = 3;
    for (int round = 0; round < kRounds; ++round) {
        CategoryInfo category = Category("racing", 0);
        const int32_t id = AddCategoryInfo(h(), &category);
        ASSERT_GE(id, 2);
        std::vector<int32_t> added(kAdders, -1);
        std::vector<std::function<void()>> bodies;
        for (int a = 0; a < kAdders; ++a) {
            bodies.push_back([&, a] {
                MediaInfo info = Media("into" + std::to_string(id), id);
                added[static_cast<size_t>(a)] = AddMediaInfo(h(), &info);
            });
        }
        int32_t deleted = 1;
        bodies.push_back([&] { deleted = DelCategoryInfo(h(), id, round % 3); });
        RunTogether(bodies);

        CategoryInfo out{};
        const bool categoryGone = GetCategoryInfo(h(), id, &out) == MVDB_ERR_OUT_OF_RANGE;
        EXPECT_EQ(categoryGone, deleted == 0);
        for (const int32_t item : added) {
            if (item < 0) {
                EXPECT_TRUE(categoryGone);
                continue;
            }
            MediaInfo stored{};
            ASSERT_EQ(GetMediaInfo(h(), item, &stored), 0);
            EXPECT_FALSE(categoryGone && stored.categoryId == id) << "round " << round;
            EXPECT_EQ(DelMediaInfo(h(), item), 0);  // empties the category for the next round
        }
        if (!categoryGone) {
            ASSERT_EQ(DelCategoryInfo(h(), id, 0), 0);
        }
    }
}

// Deletes race adds: an add that starts once a slot reads as deleted takes
// a deleted slot, never the end of the array.
TEST_F(RacesTest, AnAddReusesASlotTheMomentItIsDeleted) {
    constexpr int kPairs = 4;
    constexpr int kRounds = 40;
    for (int i = 0; i < kPairs; ++i) {
        MediaInfo info = Media("slot" + std::to_string(i));
        ASSERT_EQ(AddMediaInfo(h(), &info), 20 + i);
    }
    const int32_t count = GetMediaCount(h());
    for (int round = 0; round < kRounds; ++round) {
        std::vector<int32_t> added(kPairs, -1);
        std::vector<std::atomic<bool>> done(kPairs);
        std::vector<std::function<void()>> bodies;
        for (int p = 0; p < kPairs; ++p) {
            const int32_t slot = 20 + p;
            bodies.push_back([&, p, slot] {
                EXPECT_EQ(DelMediaInfo(h(), slot), 0);
                done[static_cast<size_t>(p)] = true;
            });
            bodies.push_back([&, p, slot] {
                // Once the slot reads as deleted (another add may take it
                // again at once, so the deletion's end counts too).
                MediaInfo probe{};
                while (GetMediaInfo(h(), slot, &probe) == 0 && !done[static_cast<size_t>(p)].load())
                    std::this_thread::yield();
                MediaInfo info = Media("again");
                added[static_cast<size_t>(p)] = AddMediaInfo(h(), &info);
            });
        }
        RunTogether(bodies);
        for (const int32_t index : added) {
            EXPECT_GE(index, 20);
            EXPECT_LT(index, 20 + kPairs) << "round " << round << ": appended";
        }
        ASSERT_EQ(GetMediaCount(h()), count);
    }
}

}  // namespace
}  // namespace mvdb
