// Named mutexes and critical sections of the platform layer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace mvdb {
namespace {

// Names unique to this test program's run, so parallel runs do not meet.
std::string UniqueName(const char* what) {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::string("mvdb platform test ") + what + " " + std::to_string(stamp) + "-" +
           std::to_string(counter++);
}

TEST(NamedMarkerTest, ExistsWhileTheCreatorHoldsIt) {
    const std::string name = UniqueName("marker");
    std::unique_ptr<platform::NamedMarker> first;
    ASSERT_EQ(platform::CreateMarker(name, &first), platform::MarkerResult::kCreated);
    EXPECT_TRUE(first);

    std::unique_ptr<platform::NamedMarker> second;
    EXPECT_EQ(platform::CreateMarker(name, &second), platform::MarkerResult::kExisted);
    EXPECT_FALSE(second);
    EXPECT_EQ(platform::CreateMarker(name, &second), platform::MarkerResult::kExisted);

    first.reset();
    EXPECT_EQ(platform::CreateMarker(name, &second), platform::MarkerResult::kCreated);
    EXPECT_TRUE(second);
}

TEST(NamedMarkerTest, MarkersOfDifferentNamesAreIndependent) {
    std::unique_ptr<platform::NamedMarker> a;
    std::unique_ptr<platform::NamedMarker> b;
    EXPECT_EQ(platform::CreateMarker(UniqueName("marker a"), &a), platform::MarkerResult::kCreated);
    EXPECT_EQ(platform::CreateMarker(UniqueName("marker b"), &b), platform::MarkerResult::kCreated);
}

// Threads with their own lock objects of one name increment a plain counter
// in two steps; without exclusion increments get lost.
TEST(NamedLockTest, ExcludesThreadsHoldingTheSameName) {
    const std::string name = UniqueName("lock");
    constexpr int kThreads = 3;
    constexpr int kRounds = 100;
    int counter = 0;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            std::unique_ptr<platform::NamedLock> lock = platform::OpenNamedLock(name);
            for (int round = 0; round < kRounds; ++round) {
                lock->Acquire();
                if (inside.fetch_add(1) != 0) ++overlaps;
                const int seen = counter;
                std::this_thread::yield();
                counter = seen + 1;
                inside.fetch_sub(1);
                lock->Release();
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(counter, kThreads * kRounds);
}

TEST(NamedLockTest, CanBeTakenAgainAfterReleaseAndReleasedWithoutBeingHeld) {
    std::unique_ptr<platform::NamedLock> lock = platform::OpenNamedLock(UniqueName("lock"));
    ASSERT_TRUE(lock);
    lock->Release();
    for (int i = 0; i < 3; ++i) {
        lock->Acquire();
        lock->Release();
    }
    lock->Release();
}

TEST(NamedLockTest, LocksOfDifferentNamesDoNotExcludeEachOther) {
    std::unique_ptr<platform::NamedLock> a = platform::OpenNamedLock(UniqueName("lock a"));
    std::unique_ptr<platform::NamedLock> b = platform::OpenNamedLock(UniqueName("lock b"));
    a->Acquire();
    std::atomic<bool> taken{false};
    std::thread other([&] {
        b->Acquire();
        taken = true;
        b->Release();
    });
    other.join();
    EXPECT_TRUE(taken.load());
    a->Release();
}

#if defined(_WIN32)
// A thread that ends while it owns the mutex abandons it; the next waiter
// gets it.
TEST(NamedLockTest, AnAbandonedLockIsAcquired) {
    const std::string name = UniqueName("abandoned");
    std::unique_ptr<platform::NamedLock> holder = platform::OpenNamedLock(name);
    std::thread([&] { holder->Acquire(); }).join();

    std::atomic<bool> taken{false};
    std::thread waiter([&] {
        std::unique_ptr<platform::NamedLock> lock = platform::OpenNamedLock(name);
        lock->Acquire();
        taken = true;
        lock->Release();
    });
    waiter.join();
    EXPECT_TRUE(taken.load());
}
#endif

TEST(CriticalSectionTest, IsRecursiveAndExcludesOtherThreads) {
    platform::CriticalSection section;
    {
        platform::CriticalSectionGuard outer(section);
        platform::CriticalSectionGuard inner(section);
    }

    constexpr int kThreads = 4;
    constexpr int kRounds = 1000;
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int round = 0; round < kRounds; ++round) {
                platform::CriticalSectionGuard guard(section);
                platform::CriticalSectionGuard again(section);
                const int seen = counter;
                if (round % 64 == 0) std::this_thread::yield();
                counter = seen + 1;
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(counter, kThreads * kRounds);
}

}  // namespace
}  // namespace mvdb
