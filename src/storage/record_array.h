// The in-memory array of one catalogue. Every access goes through a short
// inner lock, so readers that the store lets run beside an append or a
// rebuild never see storage that has moved or been freed. The inner lock is
// never held while anything else is taken: it is the innermost lock (the
// whole order is written down in catalogue/catalogue.h).
//
// Every change remembers how to undo itself with the transaction open on
// the thread, so a change whose commit fails leaves memory as it was.
//
// The records live in blocks of kBlockRecords that never move once filled:
// an add never copies the whole catalogue to grow it (a 100,000-item array
// would otherwise be copied, and held twice, on the add that outgrows it).
//
// A loaded catalogue may leave its blocks in the file (LoadLazily): each is
// read the first time any access reaches it, under the inner lock, so an
// open reads only the header and a point read pays for one block at most.
// The file must then keep those records as they were until they are read:
// only the file's writer, whose own changes always read a record before
// they replace it, loads this way.
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
#include <cstring>
#include <functional>
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
    // All the records of the array, read under its inner lock.
    class Records {
    public:
        virtual size_t size() const = 0;
        virtual const Record& operator[](size_t index) const = 0;

    protected:
        ~Records() = default;
    };

    virtual ~RecordObserver() = default;
    // Record `index` was stored, changed or appended.
    virtual void Changed(int32_t index, const Record& record) = 0;
    // The array now holds exactly these records.
    virtual void Reset(const Records& records) = 0;
};

template <typename Record>
class RecordArray {
public:
    // Records visited per hold of the inner lock in a scan.
    static constexpr size_t kScanChunk = 256;
    // Records per block of storage: a power of two, a multiple of the scan
    // chunk.
    static constexpr size_t kBlockRecords = 1024;

    // Reads `n` records from record `first` on into `dest`; answers how many
    // it read.
    using Loader = std::function<size_t(uint8_t* dest, size_t first, size_t n)>;

    // Set once, before the array is filled.
    void SetObserver(RecordObserver<Record>* observer) { observer_ = observer; }

    // Brings the observer up to date with the records when a load left it
    // behind; a lookup that asks the observer calls this first. The first
    // lookup after a load therefore derives from the whole array once,
    // under the inner lock, as the load would have.
    void RefreshObserver() const {
        platform::CriticalSectionGuard guard(lock_);
        if (observerStale_) ResetObserver();
    }

    int32_t Size() const {
        platform::CriticalSectionGuard guard(lock_);
        return static_cast<int32_t>(size_);
    }

    bool InRange(int32_t index) const { return index >= 0 && index < Size(); }

    // Copies record `index` out; false when it does not exist.
    bool Get(int32_t index, Record* out) const {
        platform::CriticalSectionGuard guard(lock_);
        if (index < 0 || static_cast<size_t>(index) >= size_) return false;
        *out = At(static_cast<size_t>(index));
        return true;
    }

    bool Set(int32_t index, const Record& record) {
        platform::CriticalSectionGuard guard(lock_);
        if (index < 0 || static_cast<size_t>(index) >= size_) return false;
        RememberRecord(index);
        At(static_cast<size_t>(index)) = record;
        if (observer_ && !observerStale_) observer_->Changed(index, record);
        return true;
    }

    // pred(const Record&) on record `index` under the inner lock, without a
    // copy; false when the record does not exist.
    template <typename Pred>
    bool Test(int32_t index, Pred&& pred) const {
        platform::CriticalSectionGuard guard(lock_);
        if (index < 0 || static_cast<size_t>(index) >= size_) return false;
        return pred(At(static_cast<size_t>(index)));
    }

    // Changes record `index` in place with fn(Record&); false when absent.
    // fn runs under the inner lock: quick, no I/O, no call into the array.
    template <typename Fn>
    bool Update(int32_t index, Fn&& fn) {
        platform::CriticalSectionGuard guard(lock_);
        if (index < 0 || static_cast<size_t>(index) >= size_) return false;
        RememberRecord(index);
        Record& record = At(static_cast<size_t>(index));
        fn(record);
        if (observer_ && !observerStale_) observer_->Changed(index, record);
        return true;
    }

    // Appends a record and returns its index.
    int32_t Append(const Record& record) {
        platform::CriticalSectionGuard guard(lock_);
        RememberSize();
        BlockWithRoom().push_back(record);
        const auto index = static_cast<int32_t>(size_++);
        if (observer_ && !observerStale_) observer_->Changed(index, record);
        return index;
    }

    // Appends n records that fill(i, Record&) writes in place (i counts
    // from 0; the record starts uninitialised) and returns the index of the
    // first: what a bulk import stores, without a copy of the batch, an
    // undo per record, or an index update per record (the observer rebuilds
    // once at the end). The records are filled a chunk at a time under the
    // inner lock, so a point read waits for one chunk at most.
    template <typename Fill>
    int32_t AppendWith(size_t n, Fill&& fill) {
        size_t first;
        {
            platform::CriticalSectionGuard guard(lock_);
            RememberSize();
            first = size_;
        }
        for (size_t done = 0; done < n;) {
            platform::CriticalSectionGuard guard(lock_);
            Block& block = BlockWithRoom();
            const size_t old = block.size();
            const size_t k = std::min({n - done, kBlockRecords - old, kScanChunk * 4});
            block.resize(old + k);
            for (size_t i = 0; i < k; ++i) fill(done + i, block[old + i]);
            size_ += k;
            done += k;
        }
        platform::CriticalSectionGuard guard(lock_);
        ResetObserver();
        return static_cast<int32_t>(first);
    }

    // Appends up to n records whose bytes fill(dest, first, k) writes
    // straight into the array, k records at a time: `first` counts the
    // records this call asked for before. fill returns how many it wrote;
    // fewer than k ends the call. Returns the number appended.
    template <typename Fill>
    size_t AppendRaw(size_t n, Fill&& fill) {
        platform::CriticalSectionGuard guard(lock_);
        RememberSize();
        size_t done = 0;
        while (done < n) {
            Block& block = BlockWithRoom();
            const size_t old = block.size();
            const size_t k = std::min(n - done, kBlockRecords - old);
            block.resize(old + k);
            const size_t filled = std::min(k, fill(reinterpret_cast<uint8_t*>(block.data() + old), done, k));
            block.resize(old + filled);
            size_ += filled;
            done += filled;
            if (filled < k) break;
        }
        DropEmptyLastBlock();
        // What a load reads is indexed when it is first looked up, not here:
        // opening a large catalogue costs no more than reading it.
        if (observer_) observerStale_ = true;
        return done;
    }

    // Makes the empty array hold n records that `load` reads a block at a
    // time, the first time an access reaches each block. `load` is called
    // under the inner lock and must take no lock of the array's; it is
    // dropped once every block is read. A block `load` cannot read whole
    // keeps zero bytes where records are missing, and LoadFailed answers
    // true from then on.
    void LoadLazily(size_t n, Loader load) {
        platform::CriticalSectionGuard guard(lock_);
        if (size_ != 0 || n == 0) return;
        const size_t blocks = (n + kBlockRecords - 1) / kBlockRecords;
        blocks_.resize(blocks);
        unread_.assign(blocks, true);
        unreadCount_ = blocks;
        loader_ = std::move(load);
        size_ = n;
        if (observer_) observerStale_ = true;
    }

    // True once a block left in the file could not be read back whole: the
    // array then holds zero bytes where those records were, and must never
    // be written over the file.
    bool LoadFailed() const {
        platform::CriticalSectionGuard guard(lock_);
        return loadFailed_;
    }

    void Replace(std::vector<Record> records) {
        platform::CriticalSectionGuard guard(lock_);
        // The former records go into the undo whole, never half in the file.
        LoadAll();
        if (Transaction::Current() != nullptr) {
            // The former blocks move into the undo: no copy of a large array.
            auto former = std::make_shared<std::pair<Blocks, size_t>>(std::move(blocks_), size_);
            RememberUndo([this, former] {
                platform::CriticalSectionGuard undoGuard(lock_);
                blocks_ = std::move(former->first);
                size_ = former->second;
                ResetObserver();
            });
        }
        blocks_ = Blocks();
        size_ = 0;
        for (size_t begin = 0; begin < records.size(); begin += kBlockRecords) {
            const size_t end = std::min(records.size(), begin + kBlockRecords);
            blocks_.emplace_back(records.begin() + static_cast<ptrdiff_t>(begin),
                                 records.begin() + static_cast<ptrdiff_t>(end));
        }
        size_ = records.size();
        ResetObserver();
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
            // A chunk never crosses a block.
            const size_t end = std::min({size_, i + kScanChunk, (i | (kBlockRecords - 1)) + 1});
            if (i >= end) return -1;
            const Block& block = LoadedBlock(i / kBlockRecords);
            for (; i < end; ++i) {
                if (Holds(pred, i, block[i % kBlockRecords])) return static_cast<int32_t>(i);
            }
        }
    }

    // Appends to `out`, in order, part(record) for every record for which
    // pred holds (pred as for FindFirst, under the same rules; part returns
    // a reference into the record): what a result slot keeps of each. The
    // copies go straight into `out`, whose storage a refilled slot reuses,
    // so a fill costs little more than one pass of memcpy over what it keeps.
    template <typename Pred, typename Part, typename Entry>
    void AppendWhere(Pred&& pred, Part&& part, std::vector<Entry>* out) const {
        for (size_t i = 0;;) {
            platform::CriticalSectionGuard guard(lock_);
            const size_t end = std::min({size_, i + kScanChunk, (i | (kBlockRecords - 1)) + 1});
            if (i >= end) return;
            const Record* records = LoadedBlock(i / kBlockRecords).data() - (i - i % kBlockRecords);
            for (; i < end; ++i) {
                if (Holds(pred, i, records[i])) out->push_back(part(records[i]));
            }
        }
    }

    // Copies up to `max` records from index `from` on into `out` (replacing
    // its content) under one hold of the inner lock; returns how many.
    size_t CopyRange(int32_t from, size_t max, std::vector<Record>* out) const {
        platform::CriticalSectionGuard guard(lock_);
        const size_t begin = from < 0 ? 0 : static_cast<size_t>(from);
        const size_t end = begin >= size_ ? begin : std::min(size_, begin + max);
        out->clear();
        out->reserve(end - begin);
        for (size_t i = begin; i < end;) {
            const Block& block = LoadedBlock(i / kBlockRecords);
            const size_t offset = i % kBlockRecords;
            const size_t n = std::min(end - i, block.size() - offset);
            out->insert(out->end(), block.begin() + static_cast<ptrdiff_t>(offset),
                        block.begin() + static_cast<ptrdiff_t>(offset + n));
            i += n;
        }
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

    // Every block but the last holds exactly kBlockRecords records.
    using Block = std::vector<Record, DefaultInitAllocator<Record>>;
    using Blocks = std::vector<Block>;

    // The whole array for an observer, under the inner lock.
    class View final : public RecordObserver<Record>::Records {
    public:
        explicit View(const RecordArray& array) : array_(array) {}
        // Made and used only under the array's inner lock.
        size_t size() const override MVDB_NO_THREAD_SAFETY_ANALYSIS { return array_.size_; }
        const Record& operator[](size_t index) const override MVDB_NO_THREAD_SAFETY_ANALYSIS {
            return array_.At(index);
        }

    private:
        const RecordArray& array_;
    };
    View AllRecords() const { return View(*this); }

    // The observer rebuilds from all the records; it is current again.
    void ResetObserver() const MVDB_REQUIRES(lock_) {
        if (observer_) observer_->Reset(AllRecords());
        observerStale_ = false;
    }

    Record& At(size_t index) MVDB_REQUIRES(lock_) {
        return LoadedBlock(index / kBlockRecords)[index % kBlockRecords];
    }
    const Record& At(size_t index) const MVDB_REQUIRES(lock_) {
        return LoadedBlock(index / kBlockRecords)[index % kBlockRecords];
    }

    // Block `b`, read from the file first when it is still there.
    Block& LoadedBlock(size_t b) const MVDB_REQUIRES(lock_) {
        if (unreadCount_ != 0 && unread_[b]) ReadBlock(b);
        return blocks_[b];
    }
    void ReadBlock(size_t b) const MVDB_REQUIRES(lock_) {
        Block& block = blocks_[b];
        const size_t first = b * kBlockRecords;
        const size_t n = std::min(kBlockRecords, size_ - first);
        // Room for a whole block, as BlockWithRoom gives: appends into the
        // last one never move it.
        if (b > 0) block.reserve(kBlockRecords);
        block.resize(n);
        const size_t got = std::min(n, loader_(reinterpret_cast<uint8_t*>(block.data()), first, n));
        if (got < n) {
            std::memset(static_cast<void*>(block.data() + got), 0, (n - got) * sizeof(Record));
            loadFailed_ = true;
        }
        unread_[b] = false;
        if (--unreadCount_ == 0) ForgetLoader();
    }
    void LoadAll() const MVDB_REQUIRES(lock_) {
        for (size_t b = 0; unreadCount_ != 0 && b < blocks_.size(); ++b) LoadedBlock(b);
    }
    void ForgetLoader() const MVDB_REQUIRES(lock_) {
        unread_.clear();
        unreadCount_ = 0;
        loader_ = nullptr;
    }

    // The last block, or a new one when it is full. A block after the
    // first is allocated whole at once, so it never moves while it fills;
    // the first grows with its records, so a small catalogue stays small.
    Block& BlockWithRoom() MVDB_REQUIRES(lock_) {
        if (blocks_.empty() || LoadedBlock(blocks_.size() - 1).size() == kBlockRecords) {
            blocks_.emplace_back();
            if (unreadCount_ != 0) unread_.push_back(false);
            if (blocks_.size() > 1) blocks_.back().reserve(kBlockRecords);
        }
        return blocks_.back();
    }
    void DropEmptyLastBlock() MVDB_REQUIRES(lock_) {
        if (!blocks_.empty() && blocks_.back().empty()) {
            blocks_.pop_back();
            if (unreadCount_ != 0) unread_.pop_back();
        }
    }
    // Keeps the first `n` records. Only records appended since the load are
    // ever cut, so the blocks that go were read; the one that becomes last
    // is read before it shrinks.
    void Truncate(size_t n) MVDB_REQUIRES(lock_) {
        if (n >= size_) return;
        const size_t blocks = (n + kBlockRecords - 1) / kBlockRecords;
        if (blocks > 0) LoadedBlock(blocks - 1);
        if (unreadCount_ != 0) {
            for (size_t b = blocks; b < unread_.size(); ++b) unreadCount_ -= unread_[b] ? 1 : 0;
            unread_.resize(blocks);
            if (unreadCount_ == 0) ForgetLoader();
        }
        blocks_.resize(blocks);
        if (!blocks_.empty()) blocks_.back().resize(n - (blocks_.size() - 1) * kBlockRecords);
        size_ = n;
    }

    // Called under the inner lock before a change.
    void RememberRecord(int32_t index) MVDB_REQUIRES(lock_) {
        if (Transaction::Current() == nullptr) return;
        const Record former = At(static_cast<size_t>(index));
        RememberUndo([this, index, former] {
            platform::CriticalSectionGuard guard(lock_);
            if (static_cast<size_t>(index) >= size_) return;
            At(static_cast<size_t>(index)) = former;
            if (observer_ && !observerStale_) observer_->Changed(index, former);
        });
    }
    void RememberSize() MVDB_REQUIRES(lock_) {
        if (Transaction::Current() == nullptr) return;
        const size_t former = size_;
        RememberUndo([this, former] {
            platform::CriticalSectionGuard guard(lock_);
            if (size_ <= former) return;
            Truncate(former);
            ResetObserver();
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
    // Mutable because a read may bring a block in from the file: the
    // records the array holds do not change by it.
    mutable Blocks blocks_ MVDB_GUARDED_BY(lock_);
    size_t size_ MVDB_GUARDED_BY(lock_) = 0;
    // Which blocks are still only in the file, how many, and what reads
    // them; all empty once every block is read.
    mutable std::vector<bool> unread_ MVDB_GUARDED_BY(lock_);
    mutable size_t unreadCount_ MVDB_GUARDED_BY(lock_) = 0;
    mutable Loader loader_ MVDB_GUARDED_BY(lock_);
    mutable bool loadFailed_ MVDB_GUARDED_BY(lock_) = false;
    RecordObserver<Record>* observer_ = nullptr;
    // Set when the records changed without the observer being told: it is
    // rebuilt whole by the next RefreshObserver or reset.
    mutable bool observerStale_ MVDB_GUARDED_BY(lock_) = false;
};

}  // namespace mvdb
