#include "client/client_database.h"

#include "storage/folder_chain.h"
#include "storage/storage_paths.h"

namespace mvdb {

namespace {

constexpr FileTraits kClientFile{format::kClientFormat.fileName, format::kClientFormat.fileRecordSize,
                                 "Marovale Client Database", "Marovale FileAccess Client"};
// Only the writer of a file ever writes it, whole rewrites included.
constexpr StorePolicy kClientPolicy{MVDB_ERR_INVALID, MVDB_ERR_INVALID};

// The client file's block is only checked, never adopted: a length the
// password field cannot have marks it damaged.
bool ClientAccountIsSound(const DBAccount& block) {
    return block.passwordLength >= 0 && block.passwordLength <= 64;
}

}  // namespace

ClientDatabase::ClientDatabase(SharedAccount& account, const platform::CodePage& codePage)
    : Store(account, kClientFile, kClientPolicy), codePage_(codePage), nameIndex_(codePage) {
    records_.SetObserver(&nameIndex_);
    ResolveCataloguePath(format::kClientFormat, &path_);
    ClaimWriterAndOpen([this] { CreateFolderChain(path_, 0, codePage_); });
    Load();
}

int32_t ClientDatabase::Load() {
    DBAccount ownBlock{};
    int32_t count = 0;
    int32_t read = 0;
    switch (LoadRecords(&ownBlock, &count, &read, ClientAccountIsSound)) {
        case HeaderState::kNotOpen:
            return -1;
        case HeaderState::kWrongMagic:
            KeepDamagedFileAside();
            LockAndSaveAll();
            return 0;
        case HeaderState::kDamagedAccount:
            KeepDamagedFileAside();
            LockAndSaveAll();
            return MVDB_ERR_BAD_ACCOUNT;
        case HeaderState::kSound:
            break;
    }
    return 0;
}

void ClientDatabase::Clear() {
    platform::CriticalSectionGuard guard(storeLock_);
    records_.Clear();
    SaveAll();
}

}  // namespace mvdb
