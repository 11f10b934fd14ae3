// Several threads on one handle: readers beside appends and rebuilds never
// touch freed storage, and every add gets a slot of its own. Meant for the
// ThreadSanitizer and AddressSanitizer builds as much as the plain one.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "support/records.h"
#include "support/test_database.h"

namespace mvdb {
namespace {

class ThreadsTest : public test::DatabaseTest {
protected:
    void SetUp() override { ASSERT_TRUE(db_.ok()); }
    MVDB_HANDLE h() { return db_.get(); }
    test::OpenDatabase db_;
};

TEST_F(ThreadsTest, ConcurrentAddsGetDistinctSlots) {
    constexpr int kThreads = 4;
    constexpr int kAdds = 25;
    std::vector<std::vector<int32_t>> indices(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kAdds; ++i) {
                MediaInfo info = test::Media("t" + std::to_string(t));
                indices[static_cast<size_t>(t)].push_back(AddMediaInfo(h(), &info));
            }
        });
    }
    for (std::thread& t : threads) t.join();
    std::set<int32_t> all;
    for (const auto& list : indices) all.insert(list.begin(), list.end());
    EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kAdds));
    EXPECT_EQ(GetMediaCount(h()), 20 + kThreads * kAdds);
}

TEST_F(ThreadsTest, ConcurrentCategoryAddsGetDistinctIds) {
    std::vector<std::vector<int32_t>> ids(3);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < ids.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                CategoryInfo category = test::Category("c", 0);
                ids[t].push_back(AddCategoryInfo(h(), &category));
            }
        });
    }
    for (std::thread& t : threads) t.join();
    std::set<int32_t> all;
    for (const auto& list : ids) all.insert(list.begin(), list.end());
    EXPECT_EQ(all.size(), 60u);
    EXPECT_EQ(GetCategoryCount(h()), 62);
}

TEST_F(ThreadsTest, ReadersRunBesideAppendsAndResets) {
    std::atomic<bool> stop{false};
    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r) {
        readers.emplace_back([&, r] {
            MediaInfo out;
            CategoryInfo category;
            while (!stop.load()) {
                const int32_t count = GetMediaCount(h());
                for (int32_t i = 0; i < count; i += 7) GetMediaInfo(h(), i, &out);
                SearchMedia(h(), "file://x", "none");
                const int32_t n = CheckChangedData(h(), 0, r);
                if (n > 0) GetChangedData(h(), n - 1, &out, r);
                GetCategoryInfo(h(), GetCategoryCount(h()) - 1, &category);
                CheckChildCategory(h(), 0, r);
                GetCheckedCategory(h(), 0, &category, r);
            }
        });
    }
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 30; ++i) {
            MediaInfo info = test::Media("x");
            AddMediaInfo(h(), &info);
            CategoryInfo category = test::Category("c", 0);
            AddCategoryInfo(h(), &category);
        }
        ClearMediaInfo(h());
    }
    stop = true;
    for (std::thread& t : readers) t.join();
    EXPECT_EQ(GetMediaCount(h()), 20);
}

}  // namespace
}  // namespace mvdb
