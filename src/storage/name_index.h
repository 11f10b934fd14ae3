// An index of record positions by a name compared without regard to case.
//
// Each record contributes one entry: a 32-bit hash of its name's caseless
// keys (CodePage::CaselessKey) and its position. Two names that the code
// page's caseless comparison finds equal always hash alike, so the entries
// of a hash hold every record that can bear the name; the caller decides
// each candidate with the comparison itself, exactly as a scan would, and
// an unlucky collision only costs one more comparison.
//
// The entries are kept sorted by (hash, position), so the candidates of a
// name come out in position order from any start: the first match of a
// scan from `start` is the first candidate at or after it that the
// comparison accepts. Memory: 12 bytes per record.
//
// A change does not move the large sorted array: the entries it adds and
// the ones it takes away wait in two small sorted lists that every lookup
// consults, and are merged into the array once kMaxPending (a 32nd of the
// entries in a small index) have gathered.
// So a change costs a search and a short insertion, and the array is
// rewritten once for thousands of changes.
//
// Thread safety: the index has its own lock, held only inside its calls and
// never while anything else is taken; it is the innermost lock, beside the
// record array's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/platform.h"
#include "platform/thread_annotations.h"

namespace mvdb {

class NameIndex {
public:
    explicit NameIndex(const platform::CodePage& codePage) : codePage_(codePage) {}
    NameIndex(const NameIndex&) = delete;
    NameIndex& operator=(const NameIndex&) = delete;

    // The hash of the text in name[0, length), stopping early at a NUL.
    uint32_t Hash(const char* name, size_t length) const;

    // Rebuilds the whole index: hashes[i] is the hash of record i's name.
    void Assign(std::vector<uint32_t> hashes);
    // Record `position` (an existing one, or the next after the last) now
    // bears a name of this hash.
    void Put(int32_t position, uint32_t hash);

    // The smallest position at or after `from` whose name has this hash;
    // -1 when there is none.
    int32_t NextCandidate(uint32_t hash, int32_t from) const;
    // The largest position at or before `upTo` with this hash; -1 if none.
    int32_t PreviousCandidate(uint32_t hash, int32_t upTo) const;

    // Bytes the index holds now, for the memory budget.
    size_t MemoryBytes() const;

    // Changes that wait beside the sorted array at most before they are
    // merged in.
    static constexpr size_t kMaxPending = 4096;

private:
    static uint64_t Entry(uint32_t hash, int32_t position) {
        return (uint64_t{hash} << 32) | static_cast<uint32_t>(position);
    }
    bool IsRemoved(uint64_t entry) const MVDB_REQUIRES(lock_);
    void Add(uint64_t entry) MVDB_REQUIRES(lock_);
    void Remove(uint64_t entry) MVDB_REQUIRES(lock_);
    void MergePending() MVDB_REQUIRES(lock_);

    const platform::CodePage& codePage_;
    mutable platform::CriticalSection lock_;
    // (hash << 32 | position), sorted: the merged entries, some of which
    // may have been taken away since.
    std::vector<uint64_t> entries_ MVDB_GUARDED_BY(lock_);
    // Sorted: entries added since the last merge, and entries of entries_
    // taken away since.
    std::vector<uint64_t> added_ MVDB_GUARDED_BY(lock_);
    std::vector<uint64_t> removed_ MVDB_GUARDED_BY(lock_);
    // The hash each position is filed under.
    std::vector<uint32_t> hashOf_ MVDB_GUARDED_BY(lock_);
};

}  // namespace mvdb
