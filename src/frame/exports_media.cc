// The media change, query and additional-info exports. The changes go
// through the catalogue, which applies the category access rules.
#include "frame/database_handle.h"
#include "frame/export_guard.h"

using mvdb::DatabaseHandle;
using mvdb::Guarded;

extern "C" {

int32_t MVDB_CALL AddMediaInfo(MVDB_HANDLE handle, MediaInfo* info) {
    return Guarded(handle, MVDB_ERR_INVALID, MVDB_ERR_NO_RECORD,
                   [&](DatabaseHandle& db) { return db.catalogue().AddMedia(info); });
}

int32_t MVDB_CALL DelMediaInfo(MVDB_HANDLE handle, int32_t index) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.catalogue().DeleteMedia(index); });
}

int32_t MVDB_CALL ReplaceMediaInfo(MVDB_HANDLE handle, int32_t index, MediaInfo* info) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.catalogue().ReplaceMedia(index, info); });
}

int32_t MVDB_CALL ModifyMediaInfo(MVDB_HANDLE handle, MediaInfo* info) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.catalogue().ModifyMedia(info); });
}

int32_t MVDB_CALL ClearMediaInfo(MVDB_HANDLE handle) {
    return Guarded(handle, [](DatabaseHandle& db) { return db.catalogue().ClearMedia(); });
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
