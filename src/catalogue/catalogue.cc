// Media changes under the category access rules, the resets, and the change
// query that starts from a client's login.
#include "catalogue/catalogue.h"

#include "storage/transaction.h"

namespace mvdb {

namespace {

bool Has(uint32_t flags, uint32_t bit) { return (flags & bit) != 0; }

}  // namespace

int32_t Catalogue::Committed(int32_t result) {
    // The change open on this thread commits while the change lock is held,
    // so no other change builds on one that fails and is undone.
    if (Transaction* change = Transaction::Current()) {
        if (const int32_t committed = change->Commit(); committed != 0) return committed;
    }
    return result;
}

int32_t Catalogue::AddMedia(MediaInfo* info) {
    if (info == nullptr) return MVDB_ERR_INVALID;
    platform::CriticalSectionGuard guard(changeLock_);
    uint32_t flags = 0;
    if (categories_.GetAccessFlags(info->categoryId, &flags) != 0) return MVDB_ERR_OUT_OF_RANGE;
    if (Has(flags, MVDB_CATEGORY_NO_MEDIA_ADDITION)) return MVDB_ERR_ACCESS_DENIED;
    return Committed(media_.AddRecord(info));
}

int32_t Catalogue::DeleteMedia(int32_t index) {
    platform::CriticalSectionGuard guard(changeLock_);
    MediaInfo stored;
    if (media_.GetRecord(index, &stored) != 0) return MVDB_ERR_OUT_OF_RANGE;
    // An item filed in a category that no longer exists (left so by an
    // older file) is bound by no flags: it can always be deleted.
    uint32_t flags = 0;
    if (categories_.GetAccessFlags(stored.categoryId, &flags) == 0 &&
        Has(flags, MVDB_CATEGORY_NO_MEDIA_REMOVAL))
        return MVDB_ERR_ACCESS_DENIED;
    return Committed(media_.DeleteRecord(index));
}

namespace {

// The rule a replace and a modify share for moving an item from `stored`'s
// category into `target`: 0, or -18 when a flag forbids it. A move is a
// change of category, or any replace into a category with the flag that
// counts every replace as a move.
int32_t CheckMove(const CategoryDatabase& categories, const MediaInfo& stored, int32_t target,
                  uint32_t targetFlags) {
    const bool move = stored.categoryId != target || Has(targetFlags, MVDB_CATEGORY_REPLACE_IS_MOVE);
    if (!move) return 0;
    if (Has(targetFlags, MVDB_CATEGORY_NO_MEDIA_ADDITION)) return MVDB_ERR_ACCESS_DENIED;
    // A category that no longer exists forbids nothing: its items can
    // always be re-filed.
    uint32_t sourceFlags = 0;
    if (categories.GetAccessFlags(stored.categoryId, &sourceFlags) == 0 &&
        Has(sourceFlags, MVDB_CATEGORY_NO_MEDIA_REMOVAL)) {
        return MVDB_ERR_ACCESS_DENIED;
    }
    return 0;
}

}  // namespace

int32_t Catalogue::ReplaceMedia(int32_t index, MediaInfo* info) {
    if (info == nullptr) return MVDB_ERR_NO_RECORD;
    MediaInfo replacement = *info;
    platform::CriticalSectionGuard guard(changeLock_);
    uint32_t targetFlags = 0;
    if (categories_.GetAccessFlags(replacement.categoryId, &targetFlags) != 0) return MVDB_ERR_OUT_OF_RANGE;
    MediaInfo stored;
    if (media_.GetRecord(index, &stored) != 0) return MVDB_ERR_OUT_OF_RANGE;
    if (const int32_t rc = CheckMove(categories_, stored, replacement.categoryId, targetFlags); rc != 0)
        return rc;
    // A replace that deletes the item obeys the rule of a deletion.
    if (stored.categoryId == replacement.categoryId && IsDeleted(replacement) &&
        Has(targetFlags, MVDB_CATEGORY_NO_MEDIA_REMOVAL))
        return MVDB_ERR_ACCESS_DENIED;
    const int32_t result = media_.ReplaceRecord(index, &replacement);
    if (result == 0) {
        info->recordSize = replacement.recordSize;
        info->updateTime = replacement.updateTime;
        info->recordIndex = replacement.recordIndex;
    }
    return Committed(result);
}

int32_t Catalogue::ModifyMedia(MediaInfo* info) {
    if (info == nullptr) return MVDB_ERR_INVALID;
    MediaInfo modification = *info;
    platform::CriticalSectionGuard guard(changeLock_);
    const int32_t target = media_.ChooseModifyTarget(&modification);
    if (target < 0) return target;
    // A negative category leaves the item where it is. Any other names the
    // category the item is to be in, which must exist; moving a live item
    // there obeys the flags as a replace does.
    if (modification.categoryId >= 0) {
        uint32_t targetFlags = 0;
        if (categories_.GetAccessFlags(modification.categoryId, &targetFlags) != 0)
            return MVDB_ERR_OUT_OF_RANGE;
        MediaInfo stored;
        if (media_.GetRecord(target, &stored) == 0) {
            if (const int32_t rc = CheckMove(categories_, stored, modification.categoryId, targetFlags);
                rc != 0)
                return rc;
        }
    }
    const int32_t result = media_.ModifyRecordAt(target, modification);
    if (result >= 0) info->recordIndex = modification.recordIndex;
    return Committed(result);
}

int32_t Catalogue::ClearMedia() {
    platform::CriticalSectionGuard guard(changeLock_);
    categories_.Clear();
    media_.Clear();
    return Committed(0);
}

int32_t Catalogue::Initialize() {
    platform::CriticalSectionGuard guard(changeLock_);
    categories_.Clear();
    media_.Clear();
    clients_.Clear();
    return Committed(0);
}

int32_t Catalogue::CollectChangedSinceLogin(const char* clientName, int32_t slot) {
    ClientInfo client;
    const int32_t index = clients_.FindByName(clientName);
    if (index < 0 || clients_.GetRecord(index, &client) != 0) return MVDB_ERR_NOT_FOUND;
    return media_.CollectChanged(client.loginTime, slot);
}

}  // namespace mvdb
