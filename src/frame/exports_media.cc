// The media change, query and additional-info exports. Adds, deletes and
// moves first ask the category store whether the categories allow them.
#include "frame/database_handle.h"
#include "frame/export_guard.h"

using mvdb::DatabaseHandle;
using mvdb::Guarded;

namespace {

bool Has(uint32_t flags, uint32_t bit) { return (flags & bit) != 0; }

int32_t ReplaceMedia(DatabaseHandle& db, int32_t index, MediaInfo* info) {
    if (info == nullptr) return MVDB_ERR_NO_RECORD;
    MediaInfo replacement = *info;
    uint32_t newFlags = 0;
    if (db.categories().GetAccessFlags(replacement.categoryId, &newFlags) != 0) return MVDB_ERR_OUT_OF_RANGE;
    MediaInfo stored;
    if (db.media().GetRecord(index, &stored) != 0) return MVDB_ERR_OUT_OF_RANGE;
    const bool move =
        stored.categoryId != replacement.categoryId || Has(newFlags, MVDB_CATEGORY_REPLACE_IS_MOVE);
    if (move) {
        if (Has(newFlags, MVDB_CATEGORY_NO_MEDIA_ADDITION)) return MVDB_ERR_ACCESS_DENIED;
        uint32_t oldFlags = 0;
        if (db.categories().GetAccessFlags(stored.categoryId, &oldFlags) != 0) return MVDB_ERR_OUT_OF_RANGE;
        if (Has(oldFlags, MVDB_CATEGORY_NO_MEDIA_REMOVAL)) return MVDB_ERR_ACCESS_DENIED;
    } else if (mvdb::IsDeleted(replacement)) {
        // A replace that deletes the item obeys the rule of a deletion.
        if (Has(newFlags, MVDB_CATEGORY_NO_MEDIA_REMOVAL)) return MVDB_ERR_ACCESS_DENIED;
    }
    const int32_t result = db.media().ReplaceRecord(index, &replacement);
    if (result == 0) {
        info->recordSize = replacement.recordSize;
        info->updateTime = replacement.updateTime;
        info->recordIndex = replacement.recordIndex;
    }
    return result;
}

}  // namespace

extern "C" {

int32_t MVDB_CALL AddMediaInfo(MVDB_HANDLE handle, MediaInfo* info) {
    return Guarded(handle, MVDB_ERR_INVALID, MVDB_ERR_NO_RECORD, [&](DatabaseHandle& db) {
        if (info == nullptr) return MVDB_ERR_INVALID;
        uint32_t flags = 0;
        if (db.categories().GetAccessFlags(info->categoryId, &flags) != 0) return MVDB_ERR_OUT_OF_RANGE;
        if (Has(flags, MVDB_CATEGORY_NO_MEDIA_ADDITION)) return MVDB_ERR_ACCESS_DENIED;
        return db.media().AddRecord(info);
    });
}

int32_t MVDB_CALL DelMediaInfo(MVDB_HANDLE handle, int32_t index) {
    return Guarded(handle, [&](DatabaseHandle& db) {
        MediaInfo stored;
        if (db.media().GetRecord(index, &stored) != 0) return MVDB_ERR_OUT_OF_RANGE;
        uint32_t flags = 0;
        if (db.categories().GetAccessFlags(stored.categoryId, &flags) != 0) return MVDB_ERR_OUT_OF_RANGE;
        if (Has(flags, MVDB_CATEGORY_NO_MEDIA_REMOVAL)) return MVDB_ERR_ACCESS_DENIED;
        return db.media().DeleteRecord(index);
    });
}

int32_t MVDB_CALL ReplaceMediaInfo(MVDB_HANDLE handle, int32_t index, MediaInfo* info) {
    return Guarded(handle, [&](DatabaseHandle& db) { return ReplaceMedia(db, index, info); });
}

int32_t MVDB_CALL ModifyMediaInfo(MVDB_HANDLE handle, MediaInfo* info) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.media().ModifyRecord(info); });
}

int32_t MVDB_CALL ClearMediaInfo(MVDB_HANDLE handle) {
    return Guarded(handle, [](DatabaseHandle& db) {
        db.categories().Clear();
        db.media().Clear();
        return 0;
    });
}

int32_t MVDB_CALL GetMediaCount(MVDB_HANDLE handle) {
    return Guarded(handle, [](DatabaseHandle& db) { return db.media().RecordCount(); });
}

int32_t MVDB_CALL GetMediaInfo(MVDB_HANDLE handle, int32_t index, MediaInfo* info) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.media().GetRecord(index, info); });
}

int32_t MVDB_CALL SearchMedia(MVDB_HANDLE handle, const char* location, const char* keyName) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.media().Search(location, keyName, 0); });
}

int32_t MVDB_CALL SearchMediaNext(MVDB_HANDLE handle, const char* location, const char* keyName,
                                  int32_t start) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.media().Search(location, keyName, start); });
}

int32_t MVDB_CALL CheckChangedData(MVDB_HANDLE handle, int32_t since, int32_t slot) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.media().CollectChanged(since, slot); });
}

int32_t MVDB_CALL CheckCategorizedData(MVDB_HANDLE handle, int32_t categoryId, int32_t slot) {
    return Guarded(handle,
                   [&](DatabaseHandle& db) { return db.media().CollectCategorized(categoryId, slot); });
}

int32_t MVDB_CALL CheckNormalData(MVDB_HANDLE handle, int32_t slot) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.media().CollectNormal(slot); });
}

int32_t MVDB_CALL GetChangedData(MVDB_HANDLE handle, int32_t position, MediaInfo* info, int32_t slot) {
    return Guarded(handle,
                   [&](DatabaseHandle& db) { return db.media().GetSlotRecord(position, info, slot); });
}

int32_t MVDB_CALL SetAddInfo(MVDB_HANDLE handle, int32_t index, int32_t number, int32_t size, int32_t type,
                             const void* data) {
    return Guarded(
        handle, [&](DatabaseHandle& db) { return db.media().SetAddInfo(index, number, size, type, data); });
}

int32_t MVDB_CALL GetAddInfoType(MVDB_HANDLE handle, int32_t index, int32_t number, int32_t* size,
                                 int32_t* type) {
    return Guarded(handle,
                   [&](DatabaseHandle& db) { return db.media().GetAddInfoType(index, number, size, type); });
}

int32_t MVDB_CALL GetAddInfo(MVDB_HANDLE handle, int32_t index, int32_t number, void* buffer) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.media().GetAddInfo(index, number, buffer); });
}

int32_t MVDB_CALL DelAddInfo(MVDB_HANDLE handle, int32_t index, int32_t number) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.media().DelAddInfo(index, number); });
}

int32_t MVDB_CALL CheckAddInfo(MVDB_HANDLE handle, int32_t index) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.media().CheckAddInfo(index); });
}

}  // extern "C"

extern "C" int32_t MVDB_CALL FindMedia(MVDB_HANDLE handle, int32_t /*unused*/, const FindCriteria* criteria,
                                       int32_t slot) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.media().FindMedia(criteria, slot); });
}
