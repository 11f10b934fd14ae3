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
    // The list is built in the storage of an earlier one when the slot kept
    // it, so a slot refilled again and again reuses memory whose pages are
    // already there instead of having the system hand out fresh ones.
    template <typename Fill>
    int32_t Rebuild(int32_t slot, Fill&& fill) {
        Slot& s = slots_[static_cast<size_t>(slot)];
        std::vector<Entry> entries;
        {
            platform::CriticalSectionGuard guard(s.lock);
            entries.swap(s.spare);
        }
        entries.clear();
        fill(entries);
        const int32_t length = static_cast<int32_t>(entries.size());
        {
            platform::CriticalSectionGuard guard(s.lock);
            s.entries.swap(entries);
            // The former list's storage is kept for the next rebuild, unless
            // a rebuild running beside this one left a larger one there.
            if (s.spare.capacity() < entries.capacity()) s.spare.swap(entries);
        }
        return length;  // what is not kept is freed here, outside the lock
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
        // Storage of a former list (its content is stale), for reuse.
        std::vector<Entry> spare MVDB_GUARDED_BY(lock);
    };
    std::array<Slot, kCount> slots_;
};

}  // namespace mvdb
