// The store machinery shared by the three catalogues: the resolved file,
// the record array, the store lock, the result slots, and the whole-file
// and single-record writes. Each catalogue adds only its own rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/platform.h"
#include "storage/record_array.h"
#include "storage/record_file.h"
#include "storage/result_slots.h"
#include "storage/shared_account.h"

namespace mvdb {

// How a store behaves where the catalogues differ.
struct StorePolicy {
    // SaveAll refuses (with this result) when the store is not the writer;
    // 0 means a reader saves all the same.
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

    // Rewrites the whole file from memory. Never holds the inner array lock
    // while writing: the records are copied out first.
    int32_t SaveAll() {
        if (policy_.saveWithoutWriterResult != 0 && !file_.IsWriter()) return policy_.saveWithoutWriterResult;
        if (!file_.IsOpen()) return -1;
        const std::vector<Record> snapshot = records_.Snapshot();
        return file_.WriteWhole(account_.Get(), static_cast<int32_t>(snapshot.size()),
                                reinterpret_cast<const uint8_t*>(snapshot.data()));
    }

    // Writes record `index` in place, then the count. A reader writes nothing.
    int32_t WriteRecord(int32_t index) {
        if (!file_.IsWriter()) return policy_.writeWithoutWriterResult;
        Record record;
        if (!records_.Get(index, &record)) return 0;
        if (!file_.WriteRecordAt(index, &record)) return 0;
        WriteRecordCount(records_.Size());
        return 0;
    }

    int32_t WriteRecordCount(int32_t count) { return file_.WriteCount(count); }

protected:
    // Construction steps shared by every store once its path is resolved:
    // the writer mutex, the folders and the file.
    void ClaimWriterAndOpen(const std::function<void()>& createFolders) {
        file_.ClaimWriter();
        if (createFolders) createFolders();
        file_.Open(path_);
    }

    // Reads the header and, when it is sound, the records into the array
    // under the store lock. Returns the header state; `recordsRead` tells
    // how many records arrived, `count` what the file claimed.
    HeaderState LoadRecords(DBAccount* accountTarget, int32_t* count, int32_t* recordsRead,
                            const std::function<bool(const DBAccount&)>& accountIsSound = nullptr) {
        *recordsRead = 0;
        const HeaderState state = file_.ReadHeader(accountTarget, count, accountIsSound);
        if (state != HeaderState::kSound || *count <= 0) return state;
        platform::CriticalSectionGuard guard(storeLock_);
        *recordsRead = static_cast<int32_t>(
            records_.AppendRaw(file_.WholeRecordsAvailable(*count),
                               [this](uint8_t* dest, size_t n) { return file_.ReadRecords(n, dest); }));
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

    SharedAccount& account_;
    RecordFile file_;
    StorePolicy policy_;
    std::string path_;
    mutable platform::CriticalSection storeLock_;
    RecordArray<Record> records_;
    ResultSlots<SlotEntry> slots_;
};

}  // namespace mvdb
