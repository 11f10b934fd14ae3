#include "media/media_database.h"

#include <cctype>

#include "media/live_channels.h"
#include "storage/fixed_string.h"
#include "storage/folder_chain.h"
#include "storage/storage_paths.h"
#include "storage/transaction.h"

namespace mvdb {

namespace {

constexpr FileTraits kMediaFile{format::kMediaFormat.fileName, format::kMediaFormat.fileRecordSize,
                                "Marovale Media Database", "Marovale FileAccess Media"};
// Only the writer of the media file ever writes it.
constexpr StorePolicy kMediaPolicy{MVDB_ERR_WRITE, MVDB_ERR_WRITE};

std::string ReadStoreHostName() { return format::StoreHostName(OpenConfigKey(kHostManKey).get()); }

}  // namespace

MediaDatabase::MediaDatabase(SharedAccount& account, const platform::CodePage& codePage)
    : Store(account, kMediaFile, kMediaPolicy),
      codePage_(codePage),
      nameIndex_(codePage),
      ownHost_(codePage, ReadStoreHostName()) {
    records_.SetObserver(&nameIndex_);
    MediaLocations locations;
    locations.filePath = path_;
    ResolveMediaLocations(&locations, codePage_);
    path_ = locations.filePath;
    infoFolder_ = locations.infoFolder;
    channelCount_ = locations.channelCount;
    ClaimWriterAndOpen([this] {
        CreateFolderChain(path_, 0, codePage_);
        CreateFolderChain(infoFolder_, 1, codePage_);
    });
    Load();
}

int32_t MediaDatabase::Load() {
    int32_t count = 0;
    int32_t read = 0;
    const HeaderState state =
        LoadIntoSharedAccount([&](DBAccount* block) { return LoadRecords(block, &count, &read); });
    switch (state) {
        case HeaderState::kNotOpen:
            return -1;
        case HeaderState::kWrongMagic:
            KeepDamagedFileAside();
            // A new or foreign file gets an empty container header first;
            // only the writer writes it.
            if (file_.IsWriter()) file_.WriteHeaderUnlocked(account_.Get(), 0);
            SeedDefaultChannels();
            return 0;
        case HeaderState::kDamagedAccount:
            KeepDamagedFileAside();
            count = 0;  // the count is not read behind a damaged block
            break;
        case HeaderState::kSound:
            break;
    }
    // A file without elements is given the default content at every load.
    if (count == 0) SeedDefaultChannels();
    return 0;
}

int32_t MediaDatabase::SeedDefaultChannels() {
    platform::CriticalSectionGuard guard(storeLock_);
    ReplaceWithDefaults();
    return 0;
}

void MediaDatabase::ReplaceWithDefaults() {
    records_.Replace(DefaultChannels(channelCount_, hostName()));
    noDeletedBelow_ = 0;
    SaveAll();
}

int32_t MediaDatabase::Clear() {
    platform::CriticalSectionGuard guard(storeLock_);
    SweepInfoFolder();
    ReplaceWithDefaults();
    return 0;
}

int32_t MediaDatabase::SweepInfoFolder() {
    // An empty info folder means the current folder, where only files that
    // look like info files are ours to delete.
    // The files go when the change that empties the store commits; the
    // journal and temporary info files are never part of the sweep.
    const bool currentFolder = infoFolder_.empty();
    return Transaction::Within([&](Transaction& change) {
        for (const std::string& name : platform::ListFiles(infoFolder_)) {
            if (name == format::kJournalFileName || format::IsTempInfoName(name)) continue;
            if (!currentFolder || IsInfoFileName(name)) change.RemoveInfo(infoFolder_, name);
        }
    });
}

int32_t MediaDatabase::GetRecord(int32_t index, MediaInfo* out) const {
    if (out == nullptr) return MVDB_ERR_INVALID;
    MediaElement element;
    if (!records_.Get(index, &element) || IsDeleted(element.info)) return MVDB_ERR_OUT_OF_RANGE;
    *out = element.info;
    return 0;
}

}  // namespace mvdb
