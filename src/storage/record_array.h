// The in-memory array of one catalogue. Every access goes through a short
// inner lock, so readers that the store lets run beside an append or a
// rebuild never see storage that has moved or been freed. The inner lock is
// never held while anything else is taken: it is the innermost lock (the
// whole order is written down in catalogue/catalogue.h).
//
// Every change remembers how to undo itself with the transaction open on
// the thread, so a change whose commit fails leaves memory as it was.
//
// Scans (ForEach, FindFirst, Snapshot, CopyRange) take the inner lock for at
// most kScanChunk records at a time and let go of it between chunks, so a
// point read beside a scan of the whole catalogue waits for one chunk at
// most, never for the scan. A record changed while a scan runs is seen
// either as it was or as it became; a scan that must not see changes runs
// under its store's lock, which every change holds.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "platform/thread_annotations.h"
#include "storage/transaction.h"

namespace mvdb {

template <typename Record, typename SlotEntry>
class Store;

// Told of every change of a record array, under the array's inner lock, so
// that what it derives from the records (the name indexes) stays current.
// It must take no lock but its own.
template <typename Record>
class RecordObserver {
public:
    virtual ~RecordObserver() = default;
    // Record `index` was stored, changed or appended.
    virtual void Changed(int32_t index, const Record& record) = 0;
    // The array now holds exactly these records.
    virtual void Reset(const Record* records, size_t count) = 0;
};

template <typename Record>
class RecordArray {
public:
    // Records visited per hold of the inner lock in a scan.
    static constexpr size_t kScanChunk = 256;

    // Set once, before the array is filled.
    void SetObserver(RecordObserver<Record>* observer) { observer_ = observer; }

    int32_t Size() const {
        platform::CriticalSectionGuard guard(lock_);
        return static_cast<int32_t>(records_.size());
    }

    bool InRange(int32_t index) const { return index >= 0 && index < Size(); }

    // Copies record `index` out; false when it does not exist.
    bool Get(int32_t index, Record* out) const {
        platform::CriticalSectionGuard guard(lock_);
        if (index < 0 || static_cast<size_t>(index) >= records_.size()) return false;
        *out = records_[static_cast<size_t>(index)];
        return true;
    }

    bool Set(int32_t index, const Record& record) {
        platform::CriticalSectionGuard guard(lock_);
        if (index < 0 || static_cast<size_t>(index) >= records_.size()) return false;
        RememberRecord(index);
        records_[static_cast<size_t>(index)] = record;
        if (observer_) observer_->Changed(index, record);
        return true;
    }

    // pred(const Record&) on record `index` under the inner lock, without a
    // copy; false when the record does not exist.
    template <typename Pred>
    bool Test(int32_t index, Pred&& pred) const {
        platform::CriticalSectionGuard guard(lock_);
        if (index < 0 || static_cast<size_t>(index) >= records_.size()) return false;
        return pred(records_[static_cast<size_t>(index)]);
    }

    // Changes record `index` in place with fn(Record&); false when absent.
    // fn runs under the inner lock: quick, no I/O, no call into the array.
    template <typename Fn>
    bool Update(int32_t index, Fn&& fn) {
        platform::CriticalSectionGuard guard(lock_);
        if (index < 0 || static_cast<size_t>(index) >= records_.size()) return false;
        RememberRecord(index);
        fn(records_[static_cast<size_t>(index)]);
        if (observer_) observer_->Changed(index, records_[static_cast<size_t>(index)]);
        return true;
    }

    // Appends a record and returns its index.
    int32_t Append(const Record& record) {
        platform::CriticalSectionGuard guard(lock_);
        RememberSize();
        records_.push_back(record);
        const auto index = static_cast<int32_t>(records_.size() - 1);
        if (observer_) observer_->Changed(index, records_.back());
        return index;
    }

    // Appends up to n records whose bytes fill(dest, n) writes straight into
    // the array; fill returns how many it wrote. Returns that number.
    template <typename Fill>
    size_t AppendRaw(size_t n, Fill&& fill) {
        platform::CriticalSectionGuard guard(lock_);
        RememberSize();
        const size_t old = records_.size();
        records_.resize(old + n);
        const size_t filled = fill(reinterpret_cast<uint8_t*>(records_.data() + old), n);
        records_.resize(old + filled);
        if (observer_) observer_->Reset(records_.data(), records_.size());
        return filled;
    }

    void Replace(std::vector<Record> records) {
        platform::CriticalSectionGuard guard(lock_);
        if (Transaction::Current() != nullptr) {
            // The former records move into the undo: no copy of a large array.
            auto former = std::make_shared<Storage>(std::move(records_));
            RememberUndo([this, former] {
                platform::CriticalSectionGuard undoGuard(lock_);
                records_ = std::move(*former);
                if (observer_) observer_->Reset(records_.data(), records_.size());
            });
            records_ = Storage();
        }
        records_.assign(records.begin(), records.end());
        records_.shrink_to_fit();
        if (observer_) observer_->Reset(records_.data(), records_.size());
    }

    void Clear() { Replace({}); }

    // Calls fn(index, const Record&) for each record in order, a chunk at a
    // time under the inner lock; fn must be quick, do no I/O and not call
    // back into the array.
    template <typename Fn>
    void ForEach(Fn&& fn) const {
        FindFirst([&fn](int32_t i, const Record& r) {
            fn(i, r);
            return false;
        });
    }

    // The index of the first record from `from` on for which pred holds, or
    // -1. pred(const Record&) or pred(index, const Record&), under the same
    // rules as ForEach.
    template <typename Pred>
    int32_t FindFirst(Pred&& pred, int32_t from = 0) const {
        size_t i = from < 0 ? 0 : static_cast<size_t>(from);
        for (;;) {
            platform::CriticalSectionGuard guard(lock_);
            const size_t end = std::min(records_.size(), i + kScanChunk);
            if (i >= end) return -1;
            for (; i < end; ++i) {
                if (Holds(pred, i, records_[i])) return static_cast<int32_t>(i);
            }
        }
    }

    // Copies up to `max` records from index `from` on into `out` (replacing
    // its content) under one hold of the inner lock; returns how many.
    size_t CopyRange(int32_t from, size_t max, std::vector<Record>* out) const {
        platform::CriticalSectionGuard guard(lock_);
        const size_t begin = from < 0 ? 0 : static_cast<size_t>(from);
        const size_t end = begin >= records_.size() ? begin : std::min(records_.size(), begin + max);
        out->assign(records_.begin() + static_cast<ptrdiff_t>(begin),
                    records_.begin() + static_cast<ptrdiff_t>(end));
        return end - begin;
    }

    // A copy of the whole array, taken a chunk at a time.
    std::vector<Record> Snapshot() const {
        std::vector<Record> all;
        std::vector<Record> chunk;
        while (CopyRange(static_cast<int32_t>(all.size()), kScanChunk * 4, &chunk) > 0) {
            all.insert(all.end(), chunk.begin(), chunk.end());
        }
        return all;
    }

private:
    // Leaves new records uninitialised: a load writes them straight from
    // the file, so zeroing them first would only cost a pass over memory.
    template <typename T>
    struct DefaultInitAllocator : std::allocator<T> {
        template <typename U>
        struct rebind {
            using other = DefaultInitAllocator<U>;
        };
        template <typename U>
        void construct(U* p) noexcept {
            ::new (static_cast<void*>(p)) U;
        }
        template <typename U, typename... Args>
        void construct(U* p, Args&&... args) {
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
        }
    };

    using Storage = std::vector<Record, DefaultInitAllocator<Record>>;

    // Called under the inner lock before a change.
    void RememberRecord(int32_t index) MVDB_REQUIRES(lock_) {
        if (Transaction::Current() == nullptr) return;
        const Record former = records_[static_cast<size_t>(index)];
        RememberUndo([this, index, former] {
            platform::CriticalSectionGuard guard(lock_);
            if (static_cast<size_t>(index) >= records_.size()) return;
            records_[static_cast<size_t>(index)] = former;
            if (observer_) observer_->Changed(index, former);
        });
    }
    void RememberSize() MVDB_REQUIRES(lock_) {
        if (Transaction::Current() == nullptr) return;
        const size_t former = records_.size();
        RememberUndo([this, former] {
            platform::CriticalSectionGuard guard(lock_);
            if (records_.size() <= former) return;
            records_.resize(former);
            if (observer_) observer_->Reset(records_.data(), records_.size());
        });
    }

    template <typename Pred>
    static bool Holds(Pred& pred, size_t i, const Record& record) {
        if constexpr (std::is_invocable_v<Pred&, int32_t, const Record&>) {
            return pred(static_cast<int32_t>(i), record);
        } else {
            return pred(record);
        }
    }

    // The store's lock is taken before this one, never after.
    template <typename, typename>
    friend class Store;
    mutable platform::CriticalSection lock_;
    Storage records_ MVDB_GUARDED_BY(lock_);
    RecordObserver<Record>* observer_ = nullptr;
};

}  // namespace mvdb
