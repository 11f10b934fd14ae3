// The store machinery shared by the three catalogues: the resolved file,
// the record array, the store lock, the result slots, and the whole-file,
// single-record and header writes, each part of the change (Transaction)
// open on the thread. Each catalogue adds only its own rules.
//
// The store lock orders the changes of one catalogue: every change of the
// array holds it from its checks through the registration of its writes.
// Readers never take it: they read through the array's own short inner
// lock. The bytes a change writes are collected when it commits, under the
// journal's lock, so they are always the latest and an older copy never
// overtakes a newer one.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/platform.h"
#include "platform/thread_annotations.h"
#include "storage/record_array.h"
#include "storage/record_file.h"
#include "storage/result_slots.h"
#include "storage/shared_account.h"
#include "storage/transaction.h"

namespace mvdb {

// How a store behaves where the catalogues differ.
struct StorePolicy {
    // What SaveAll answers when the store is not the writer.
    int32_t saveWithoutWriterResult;
    // What WriteRecord answers when the store is not the writer.
    int32_t writeWithoutWriterResult;
};

template <typename Record, typename SlotEntry>
class Store {
public:
    static_assert(std::is_trivially_copyable_v<Record>);

    Store(SharedAccount& account, const FileTraits& traits, const StorePolicy& policy)
        : account_(account), file_(traits), policy_(policy), path_(traits.bareName) {}
    virtual ~Store() = default;
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    const std::string& path() const { return path_; }
    bool IsWriter() const { return file_.IsWriter(); }
    int32_t RecordCount() const { return records_.Size(); }

    // Rewrites the whole file from memory as part of the current change.
    // Only the writer writes; a reader gets the policy's result. 0 or a
    // failure result.
    int32_t SaveAll() MVDB_REQUIRES(storeLock_) {
        if (!file_.IsOpen()) return -1;
        if (!file_.IsWriter()) return policy_.saveWithoutWriterResult;
        if (records_.LoadFailed()) return RefuseChange();
        return Transaction::Within([this](Transaction& change) {
            change.Touch(this, kWholeFile, [this](CollectedChange& out) {
                // The latest records at commit time; the header after them.
                const std::vector<Record> snapshot = records_.Snapshot();
                out.Write(file_, kRecordsOffset, snapshot.data(), snapshot.size() * sizeof(Record));
                const std::vector<uint8_t> header =
                    ContainerHeader(account_.Get(), static_cast<int32_t>(snapshot.size()));
                out.Write(file_, 0, header.data(), header.size());
                const int32_t count = static_cast<int32_t>(snapshot.size());
                out.onCommitted.push_back([this, count] { committedCount_ = count; });
            });
        });
    }

    // Writes record `index` as part of the current change, and the count
    // when the file's differs. A reader writes nothing. 0, the policy's
    // result for a reader, or MVDB_ERR_WRITE when the change failed.
    int32_t WriteRecord(int32_t index) MVDB_REQUIRES(storeLock_) {
        if (!file_.IsOpen()) return 0;  // nothing to write to: the change stays in memory
        if (!file_.IsWriter()) return policy_.writeWithoutWriterResult;
        if (!records_.InRange(index)) return 0;
        if (records_.LoadFailed()) return RefuseChange();
        return Transaction::Within([this, index](Transaction& change) {
            change.Touch(this, index, [this, index](CollectedChange& out) {
                Record record;
                if (!records_.Get(index, &record)) return;
                out.Write(file_, kRecordsOffset + static_cast<uint64_t>(index) * sizeof(Record), &record,
                          sizeof record);
            });
            TouchCount(change);
        });
    }

    // Writes records [first, first + n) as part of the current change, in
    // one write, and the count when the file's differs: what a bulk append
    // writes. A reader writes nothing. 0, the policy's result for a reader,
    // or MVDB_ERR_WRITE when the change failed.
    int32_t WriteRange(int32_t first, int32_t n) MVDB_REQUIRES(storeLock_) {
        if (!file_.IsOpen() || n <= 0) return 0;
        if (!file_.IsWriter()) return policy_.writeWithoutWriterResult;
        if (records_.LoadFailed()) return RefuseChange();
        return Transaction::Within([this, first, n](Transaction& change) {
            change.Touch(this, kRangeKeyBase - first, [this, first, n](CollectedChange& out) {
                if (committedCount_ == kUnknownCount) committedCount_ = file_.StoredCount();
                if (first >= committedCount_) {
                    // Past the committed count no reader looks: the records
                    // go straight into the file, a block at a time, and only
                    // the count travels through the journal.
                    out.WriteDirect(file_, [this, first, n](JournalTarget& target) {
                        std::vector<Record> block;
                        for (int32_t done = 0; done < n;) {
                            const size_t max = std::min<size_t>(RecordArray<Record>::kScanChunk * 4,
                                                                static_cast<size_t>(n - done));
                            const size_t got = records_.CopyRange(first + done, max, &block);
                            if (got == 0) return false;
                            const uint64_t offset =
                                kRecordsOffset + static_cast<uint64_t>(first + done) * sizeof(Record);
                            if (!target.ApplyWrite(offset, reinterpret_cast<const uint8_t*>(block.data()),
                                                   got * sizeof(Record)))
                                return false;
                            done += static_cast<int32_t>(got);
                        }
                        return true;
                    });
                    return;
                }
                std::vector<Record> range;
                records_.CopyRange(first, static_cast<size_t>(n), &range);
                out.Write(file_, kRecordsOffset + static_cast<uint64_t>(first) * sizeof(Record), range.data(),
                          range.size() * sizeof(Record));
            });
            TouchCount(change);
        });
    }

    // Writes the shared account into the header as part of the current
    // change (the header only). A reader writes nothing.
    int32_t WriteAccount() {
        if (!file_.IsWriter() || !file_.IsOpen()) return 0;
        return Transaction::Within([this](Transaction& change) {
            change.Touch(this, kAccount, [this](CollectedChange& out) {
                const std::vector<uint8_t> block = ScrambledAccountBytes(account_.Get());
                out.Write(file_, kAccountOffset, block.data(), block.size());
            });
        });
    }

    // SaveAll under the store lock, for callers that do not hold it.
    int32_t LockAndSaveAll() MVDB_EXCLUDES(storeLock_) {
        platform::CriticalSectionGuard guard(storeLock_);
        return SaveAll();
    }

protected:
    // Construction steps shared by every store once its path is resolved:
    // the folders, the file and its writer role.
    void ClaimWriterAndOpen(const std::function<void()>& createFolders) {
        if (createFolders) createFolders();
        file_.Open(path_);
    }

    // Before a file whose content could not be loaded is replaced by a fresh
    // one, a copy of it is kept beside it (RecordFile::KeepAside). True when
    // the replacement may go ahead: this store is the writer, and the file
    // is empty or its copy is whole. When the copy fails the store gives the
    // file up and works in memory, so the damaged file stays as it is.
    bool KeepDamagedFileAside() {
        if (!file_.IsWriter()) return false;
        if (file_.Size() == 0 || file_.KeepAside()) return true;
        file_.Abandon();
        return false;
    }

    // Reads the header and, when it is sound, loads the records under the
    // store lock. Returns the header state; `recordsRead` tells how many
    // records the array holds now, `count` what the file claimed.
    //
    // The writer leaves the records in the file until they are first used
    // (RecordArray::LoadLazily): no one else writes its file, and its own
    // changes read a record before they write it. Any other opener reads
    // them all now, because the writer may change the file later.
    HeaderState LoadRecords(DBAccount* accountTarget, int32_t* count, int32_t* recordsRead,
                            const std::function<bool(const DBAccount&)>& accountIsSound = nullptr) {
        *recordsRead = 0;
        const HeaderState state = file_.ReadHeader(accountTarget, count, accountIsSound);
        if (state != HeaderState::kSound || *count <= 0) return state;
        platform::CriticalSectionGuard guard(storeLock_);
        const size_t available = file_.WholeRecordsAvailable(*count);
        const auto read = [this](uint8_t* dest, size_t first, size_t n) {
            return file_.ReadRecords(first, n, dest);
        };
        if (file_.IsWriter()) {
            records_.LoadLazily(available, read);
            *recordsRead = static_cast<int32_t>(available);
        } else {
            *recordsRead = static_cast<int32_t>(records_.AppendRaw(available, read));
        }
        return state;
    }

    // Reads the shared account into `block` for loading, then stores it back.
    template <typename Fn>
    HeaderState LoadIntoSharedAccount(Fn&& load) {
        DBAccount block = account_.Get();
        const HeaderState state = load(&block);
        account_.Update([&](DBAccount& shared) { shared = block; });
        return state;
    }

    // A store that could not read back records it left in the file never
    // writes records again: the file still holds them and memory does not.
    // The change it is part of fails whole (MVDB_ERR_WRITE).
    static int32_t RefuseChange() {
        return Transaction::Within([](Transaction& change) { change.Refuse(); });
    }

    // Writes the count at commit time, after the records, when the file's differs.
    void TouchCount(Transaction& change) {
        change.Touch(
            this, kCount,
            [this](CollectedChange& out) {
                const int32_t count = records_.Size();
                // No write that changes nothing. The count last committed
                // counts, not the file's: the file may still be behind.
                if (committedCount_ == kUnknownCount) committedCount_ = file_.StoredCount();
                if (committedCount_ == count) return;
                out.Write(file_, kCountOffset, &count, sizeof count);
                out.onCommitted.push_back([this, count] { committedCount_ = count; });
            },
            true);
    }

    // Keys of a store's writes in a change besides its record indexes.
    static constexpr int64_t kWholeFile = -1;
    static constexpr int64_t kCount = -2;
    static constexpr int64_t kAccount = -3;
    // Ranges are keyed below this by their first index.
    static constexpr int64_t kRangeKeyBase = -4;
    static constexpr int32_t kUnknownCount = -2;

    SharedAccount& account_;
    RecordFile file_;
    // The count of the last committed change; read from the file at first
    // need. Only touched under the journal's commit lock.
    int32_t committedCount_ = kUnknownCount;
    StorePolicy policy_;
    std::string path_;
    // The catalogue-level component takes its own lock before a store lock.
    friend class Catalogue;
    mutable platform::CriticalSection storeLock_ MVDB_ACQUIRED_BEFORE(records_.lock_);
    RecordArray<Record> records_;
    ResultSlots<SlotEntry> slots_;
};

}  // namespace mvdb
