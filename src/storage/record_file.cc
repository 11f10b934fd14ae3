#include "storage/record_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "storage/account.h"

namespace mvdb {

namespace {

// Records are read in blocks of about this many bytes, never one call per
// record.
constexpr size_t kReadBlockBytes = 4 << 20;

// Names tried for the copy of a damaged file before giving up.
constexpr int kKeepAsideAttempts = 100;

// "20240131-235959" for a time in seconds since 1970, in UTC.
std::string UtcStamp(int32_t stamp) {
    using namespace std::chrono;
    // The stamp counts as unsigned, as the library's 32-bit times do.
    const sys_seconds time{seconds{static_cast<int64_t>(static_cast<uint32_t>(stamp))}};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss<seconds> clock{time - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02u%02u-%02d%02d%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

}  // namespace

std::vector<uint8_t> ContainerHeader(const DBAccount& account, int32_t count) {
    std::vector<uint8_t> header(kRecordsOffset);
    std::memcpy(header.data(), kFileMagic, kMagicBytes);
    const std::vector<uint8_t> block = ScrambledAccountBytes(account);
    std::memcpy(header.data() + kAccountOffset, block.data(), block.size());
    std::memcpy(header.data() + kCountOffset, &count, sizeof count);
    return header;
}

std::vector<uint8_t> ScrambledAccountBytes(const DBAccount& account) {
    const DBAccount scrambled = StoredAccountBlock(account);
    const auto* p = reinterpret_cast<const uint8_t*>(&scrambled);
    return std::vector<uint8_t>(p, p + sizeof scrambled);
}

// Holds the file-access lock for one write; every path releases it.
class RecordFile::LockGuard {
public:
    explicit LockGuard(const RecordFile& file) : lock_(file.OpenLock()) {
        if (lock_) lock_->Acquire();
    }
    ~LockGuard() {
        if (lock_) lock_->Release();
    }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    std::unique_ptr<platform::NamedLock> lock_;
};

std::unique_ptr<platform::NamedLock> RecordFile::OpenLock() const {
    // Without a file there is nothing to write and nothing to lock.
    if (!file_) return nullptr;
    return platform::OpenFileAccessLock(*file_, traits_.fileLockName);
}

// Buffered: a change is durable through the journal (or the flush that
// ends a write without it), not through each write.
void RecordFile::Open(const std::string& path) {
    path_ = path;
    file_ = platform::OpenBuffered(path);
    if (!file_) return;
    std::unique_ptr<platform::NamedMarker> role;
    if (platform::ClaimWriterRole(*file_, traits_.writerMutexName, &role) ==
        platform::MarkerResult::kCreated) {
        writerMutex_ = std::move(role);
    }
}

bool RecordFile::KeepAside() {
    if (!file_) return false;
    const int64_t size = file_->Size();
    if (size < 0) return false;
    const std::string stem = path_ + ".damaged-" + UtcStamp(platform::CurrentTime());
    std::unique_ptr<platform::File> copy;
    std::string name;
    for (int attempt = 1; !copy && attempt <= kKeepAsideAttempts; ++attempt) {
        name = attempt == 1 ? stem : stem + "-" + std::to_string(attempt);
        copy = platform::CreateNewFile(name);
    }
    if (!copy) return false;
    std::vector<uint8_t> block(static_cast<size_t>(std::min<int64_t>(size, kReadBlockBytes)));
    bool whole = true;
    for (int64_t done = 0; whole && done < size;) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(size - done, kReadBlockBytes));
        whole = file_->ReadAt(static_cast<uint64_t>(done), block.data(), n) == static_cast<int64_t>(n) &&
                copy->WriteAt(static_cast<uint64_t>(done), block.data(), n) == static_cast<int64_t>(n);
        done += static_cast<int64_t>(n);
    }
    copy.reset();
    // A partial copy would pass for the file: remove it.
    if (!whole) platform::RemoveFile(name);
    return whole;
}

void RecordFile::Abandon() {
    writerMutex_.reset();
    file_.reset();
}

HeaderState RecordFile::ReadHeader(DBAccount* account, int32_t* count,
                                   const std::function<bool(const DBAccount&)>& accountIsSound) {
    *count = 0;
    if (!file_) return HeaderState::kNotOpen;

    char magic[64] = {};
    if (file_->ReadAt(0, magic, kMagicBytes) != static_cast<int64_t>(kMagicBytes) ||
        std::strcmp(magic, kFileMagic) != 0) {
        return HeaderState::kWrongMagic;
    }

    const int64_t got = file_->ReadAt(kAccountOffset, account, sizeof *account);
    if (got != static_cast<int64_t>(sizeof *account) || (accountIsSound && !accountIsSound(*account))) {
        account->userName[0] = '\0';
        return HeaderState::kDamagedAccount;
    }
    UnscrambleAccount(account);

    int32_t stored = 0;
    if (file_->ReadAt(kCountOffset, &stored, sizeof stored) == static_cast<int64_t>(sizeof stored)) {
        *count = stored;
    }
    return HeaderState::kSound;
}

size_t RecordFile::WholeRecordsAvailable(int32_t count) {
    if (!file_ || count <= 0) return 0;
    // A count larger than the file holds is bounded by the whole records present.
    const int64_t fileSize = file_->Size();
    if (fileSize < static_cast<int64_t>(kRecordsOffset)) return 0;
    const size_t present =
        static_cast<size_t>(fileSize - static_cast<int64_t>(kRecordsOffset)) / traits_.recordSize;
    return std::min(static_cast<size_t>(count), present);
}

size_t RecordFile::ReadRecords(size_t first, size_t wanted, uint8_t* dest) {
    if (!file_) return 0;
    const size_t size = traits_.recordSize;
    const size_t perBlock = std::max<size_t>(1, kReadBlockBytes / size);
    size_t done = 0;
    while (done < wanted) {
        const size_t n = std::min(perBlock, wanted - done);
        const int64_t got =
            file_->ReadAt(kRecordsOffset + (first + done) * size, dest + done * size, n * size);
        const size_t whole = got > 0 ? static_cast<size_t>(got) / size : 0;
        done += whole;
        if (whole < n) break;
    }
    return done;
}

int32_t RecordFile::WriteWhole(const DBAccount& account, int32_t count, const uint8_t* records) {
    if (!file_) return -1;
    LockGuard lock(*this);
    // The records first: a count never claims records that are not there.
    const size_t total = static_cast<size_t>(count) * traits_.recordSize;
    for (size_t done = 0; done < total;) {
        const size_t n = std::min(kReadBlockBytes, total - done);
        if (file_->WriteAt(kRecordsOffset + done, records + done, n) != static_cast<int64_t>(n)) return -1;
        done += n;
    }
    const std::vector<uint8_t> header = ContainerHeader(account, count);
    if (file_->WriteAt(0, header.data(), header.size()) != static_cast<int64_t>(header.size())) return -1;
    return file_->Sync() ? 0 : -1;
}

void RecordFile::WriteHeaderUnlocked(const DBAccount& account, int32_t count) {
    if (!file_) return;
    std::vector<uint8_t> header = ContainerHeader(account, count);
    file_->WriteAt(0, header.data(), header.size());
}

int32_t RecordFile::StoredCount() {
    int32_t count = 0;
    if (!file_ || file_->ReadAt(kCountOffset, &count, sizeof count) != static_cast<int64_t>(sizeof count))
        return -1;
    return count;
}

format::JournalFile RecordFile::JournalId() const {
    if (std::strcmp(traits_.bareName, format::kCategoryFormat.fileName) == 0)
        return format::JournalFile::kCategories;
    if (std::strcmp(traits_.bareName, format::kMediaFormat.fileName) == 0) return format::JournalFile::kMedia;
    return format::JournalFile::kClients;
}

bool RecordFile::ApplyWrites(const std::vector<format::FileWrite>& writes) {
    if (!file_) return false;
    const format::JournalFile id = JournalId();
    LockGuard lock(*this);
    bool ok = true;
    for (const format::FileWrite& w : writes) {
        if (w.file == id) ok = WriteUnlocked(w.offset, w.bytes.data(), w.bytes.size()) && ok;
    }
    return ok;
}

bool RecordFile::ApplyWrite(uint64_t offset, const uint8_t* bytes, size_t n) {
    if (!file_) return false;
    LockGuard lock(*this);
    return WriteUnlocked(offset, bytes, n);
}

bool RecordFile::WriteUnlocked(uint64_t offset, const uint8_t* bytes, size_t n) {
    return file_->WriteAt(offset, bytes, n) == static_cast<int64_t>(n);
}

bool RecordFile::SyncFile() { return file_ && file_->Sync(); }

}  // namespace mvdb
