#include "category/category_database.h"

#include <cstring>
#include <vector>

#include "storage/fixed_string.h"
#include "storage/folder_chain.h"
#include "storage/storage_paths.h"

namespace mvdb {

namespace {

constexpr FileTraits kCategoryFile{format::kCategoryFormat.fileName, format::kCategoryFormat.fileRecordSize,
                                   "Marovale Category Database", "MArovale FileAccess Category"};
// Only the writer of a file ever writes it: two openers of one file never
// both write, whole rewrites included.
constexpr StorePolicy kCategoryPolicy{MVDB_ERR_WRITE, MVDB_ERR_WRITE};

// The live-video name is loaded with a limit of 259 bytes, NUL included.
constexpr size_t kLiveVideoNameLimit = 259;

CategoryInfo MakeCategory(int32_t id, const std::string& name, int32_t parent, uint32_t flags) {
    CategoryInfo record{};
    record.recordSize = sizeof(CategoryInfo);
    record.categoryId = id;
    CopyToField(record.categoryName, kLiveVideoNameLimit, name.data(), name.size());
    record.parentId = parent;
    record.accessFlags = flags;
    return record;
}

}  // namespace

bool IsTombstone(const CategoryInfo& record) { return (record.categoryStatus & MVDB_CATEGORY_DELETED) != 0; }

CategoryDatabase::CategoryDatabase(SharedAccount& account, const platform::CodePage& codePage)
    : Store(account, kCategoryFile, kCategoryPolicy), codePage_(codePage) {
    ResolveCataloguePath(format::kCategoryFormat, &path_);
    ClaimWriterAndOpen([this] { CreateFolderChain(path_, 0, codePage_); });
    Load();
}

int32_t CategoryDatabase::Load() {
    if (!file_.IsOpen()) {
        // Without a file the store still offers a Root, without the system bit.
        platform::CriticalSectionGuard guard(storeLock_);
        records_.Append(MakeCategory(0, "Root", -1, 0));
        return -1;
    }
    int32_t count = 0;
    int32_t read = 0;
    const HeaderState state =
        LoadIntoSharedAccount([&](DBAccount* block) { return LoadRecords(block, &count, &read); });
    switch (state) {
        case HeaderState::kWrongMagic:
            KeepDamagedFileAside();
            LoadDefaults();
            return 0;
        case HeaderState::kDamagedAccount:
            // The file becomes an empty container; the next open seeds it.
            KeepDamagedFileAside();
            LockAndSaveAll();
            return MVDB_ERR_BAD_ACCOUNT;
        default:
            break;
    }
    if (read == 0) {
        // A count that promised records which cannot be read is damage too.
        if (count != 0) KeepDamagedFileAside();
        LoadDefaults();
    }
    return 0;
}

int32_t CategoryDatabase::LoadDefaults() {
    std::vector<CategoryInfo> defaults;
    defaults.push_back(MakeCategory(0, "Root", -1, MVDB_CATEGORY_SYSTEM));
    defaults.push_back(MakeCategory(1, platform::LiveVideoCategoryName(codePage_), 0,
                                    MVDB_CATEGORY_LIVE_VIDEO | MVDB_CATEGORY_NO_MEDIA_ADDITION |
                                        MVDB_CATEGORY_NO_MEDIA_REMOVAL | MVDB_CATEGORY_SYSTEM));
    platform::CriticalSectionGuard guard(storeLock_);
    records_.Replace(std::move(defaults));
    SaveAll();
    return 0;
}

int32_t CategoryDatabase::NewCategoryId() const {
    const std::vector<CategoryInfo> all = records_.Snapshot();
    const int32_t count = static_cast<int32_t>(all.size());
    if (count == 0) return 0;
    for (int32_t candidate = 1; candidate < count; ++candidate) {
        if (IsTombstone(all[static_cast<size_t>(candidate)])) return candidate;
        bool taken = false;
        for (int32_t i = 1; i < count && !taken; ++i)
            taken = all[static_cast<size_t>(i)].categoryId == candidate;
        if (!taken) return candidate;
    }
    return count;
}

int32_t CategoryDatabase::FindFreeSlot() const {
    const int32_t found = records_.FindFirst([](const CategoryInfo& r) { return IsTombstone(r); });
    return found >= 0 ? found : MVDB_ERR_OUT_OF_RANGE;
}

int32_t CategoryDatabase::CheckParent(int32_t id) const {
    CategoryInfo record;
    if (!records_.Get(id, &record) || IsTombstone(record)) return MVDB_ERR_OUT_OF_RANGE;
    return 0;
}

int32_t CategoryDatabase::GetAccessFlags(int32_t position, uint32_t* out) const {
    CategoryInfo record;
    if (!records_.Get(position, &record) || IsTombstone(record)) return MVDB_ERR_OUT_OF_RANGE;
    *out = record.accessFlags;
    return 0;
}

}  // namespace mvdb
