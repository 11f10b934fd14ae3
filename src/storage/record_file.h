// The database file container shared by the three catalogues (its layout
// in format/container.h): a text magic, the scrambled account block, a
// record count and the fixed-size records.
//
// RecordFile owns the open file, the writer role (whose holder alone writes
// the file) and the name of the file-access lock, held while the file is
// written. Both belong to the file itself (see platform::ClaimWriterRole).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "format/container.h"
#include "mvdb.h"
#include "platform/platform.h"
#include "storage/journal.h"

namespace mvdb {

using format::kAccountOffset;
using format::kCountOffset;
using format::kFileMagic;
using format::kMagicBytes;
using format::kRecordsOffset;

// What distinguishes one catalogue's file.
struct FileTraits {
    const char* bareName;         // file name before resolution
    size_t recordSize;            // bytes per record in the file
    const char* writerMutexName;  // existence marks the writer
    const char* fileLockName;     // owned while the file is written
};

// How the header of an opened file turned out.
enum class HeaderState { kNotOpen, kWrongMagic, kDamagedAccount, kSound };

// The magic, the scrambled account and the count: the bytes before the records.
std::vector<uint8_t> ContainerHeader(const DBAccount& account, int32_t count);
// The scrambled account block as it stands in the header.
std::vector<uint8_t> ScrambledAccountBytes(const DBAccount& account);

class RecordFile final : public JournalTarget {
public:
    explicit RecordFile(const FileTraits& traits) : traits_(traits) {}

    const FileTraits& traits() const { return traits_; }
    bool IsOpen() const { return file_ != nullptr; }
    bool IsWriter() const { return writerMutex_ != nullptr; }

    // Opens or creates the file, then claims its writer role: this store is
    // the writer when no other opener of the same file holds the role. On
    // failure the store works in memory and writes nothing.
    void Open(const std::string& path);

    // Copies the whole file, as it is now, to a new file beside it named
    // "<path>.damaged-<UTC date and time>" (with "-2", "-3"... added when
    // that name is taken), so a file about to be replaced by a fresh one is
    // never lost. An existing file is never overwritten. False when the copy
    // could not be made whole; the caller must then leave the file alone.
    bool KeepAside();
    // Gives the file and its writer role up: the store works in memory and
    // writes nothing.
    void Abandon();
    // The file's size in bytes; -1 when it is not open.
    int64_t Size() const { return file_ ? file_->Size() : -1; }

    // Reads the magic and the account block into `account` (unscrambling
    // it), and the count. A block shorter than 144 bytes, or one that
    // `accountIsSound` rejects, is damaged: its first byte is cleared.
    HeaderState ReadHeader(DBAccount* account, int32_t* count,
                           const std::function<bool(const DBAccount&)>& accountIsSound);

    // How many whole records of `count` the file can hold at most.
    size_t WholeRecordsAvailable(int32_t count);
    // Reads up to `wanted` whole records from record `first` on into `dest`
    // in large blocks, stopping at the first short read. Returns the number
    // of records read.
    size_t ReadRecords(size_t first, size_t wanted, uint8_t* dest);

    // Writes the magic, the scrambled account, the count and the records
    // from byte 0 under the file-access lock and flushes them: the whole
    // rewrite of a store that writes without the journal. -1 when the file
    // is not open or a write fails.
    int32_t WriteWhole(const DBAccount& account, int32_t count, const uint8_t* records);
    // Writes magic, scrambled account and count without the file-access
    // lock, whatever the writer mutex says: the header of a new file.
    void WriteHeaderUnlocked(const DBAccount& account, int32_t count);
    // The count the file holds now; -1 when it cannot be read.
    int32_t StoredCount();

    // Where a change's writes land (see storage/journal.h): a change's
    // writes to this file are made under one hold of the file-access lock.
    format::JournalFile JournalId() const override;
    bool ApplyWrites(const std::vector<format::FileWrite>& writes) override;
    bool ApplyWrite(uint64_t offset, const uint8_t* bytes, size_t n) override;
    bool SyncFile() override;

private:
    class LockGuard;
    // One whole write into the open file; the caller holds the file-access lock.
    bool WriteUnlocked(uint64_t offset, const uint8_t* bytes, size_t n);
    std::unique_ptr<platform::NamedLock> OpenLock() const;

    FileTraits traits_;
    std::string path_;
    std::unique_ptr<platform::File> file_;
    // Declared after file_: the role goes before the file closes.
    std::unique_ptr<platform::NamedMarker> writerMutex_;
};

}  // namespace mvdb
