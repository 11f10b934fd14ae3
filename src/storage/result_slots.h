// The 64 numbered result slots of a store. A Check or Find call rebuilds
// one slot; a Get call reads one entry. Each entry is a copy taken when the
// slot was filled, so later changes do not reach it. The new list is built
// without the slot's lock and put in place under it, so a Get on the slot
// never waits for the scan that fills it: it reads the former list until
// the new one is complete. Of two rebuilds of one slot at once, the one
// that finishes last stays.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "mvdb.h"
#include "platform/platform.h"
#include "platform/thread_annotations.h"

namespace mvdb {

template <typename Entry>
class ResultSlots {
public:
    static constexpr int32_t kCount = MVDB_RESULT_SLOTS;

    static bool ValidSlot(int32_t slot) { return slot >= 0 && slot < kCount; }

    // Rebuilds the slot: fill(std::vector<Entry>&) receives it emptied.
    // Returns the slot's new length.
    template <typename Fill>
    int32_t Rebuild(int32_t slot, Fill&& fill) {
        std::vector<Entry> entries;
        fill(entries);
        const int32_t length = static_cast<int32_t>(entries.size());
        Slot& s = slots_[static_cast<size_t>(slot)];
        {
            platform::CriticalSectionGuard guard(s.lock);
            s.entries.swap(entries);
        }
        return length;  // the former list is freed here, outside the lock
    }

    // Copies entry n of the slot; false when the slot has no such entry.
    bool Get(int32_t slot, int32_t n, Entry* out) const {
        if (!ValidSlot(slot)) return false;
        const Slot& s = slots_[static_cast<size_t>(slot)];
        platform::CriticalSectionGuard guard(s.lock);
        if (n < 0 || static_cast<size_t>(n) >= s.entries.size()) return false;
        *out = s.entries[static_cast<size_t>(n)];
        return true;
    }

    int32_t Length(int32_t slot) const {
        const Slot& s = slots_[static_cast<size_t>(slot)];
        platform::CriticalSectionGuard guard(s.lock);
        return static_cast<int32_t>(s.entries.size());
    }

private:
    struct Slot {
        mutable platform::CriticalSection lock;
        std::vector<Entry> entries MVDB_GUARDED_BY(lock);
    };
    std::array<Slot, kCount> slots_;
};

}  // namespace mvdb
