// The category exports.
#include "frame/database_handle.h"
#include "frame/export_guard.h"

using mvdb::DatabaseHandle;
using mvdb::Guarded;

extern "C" {

int32_t MVDB_CALL GetCategoryCount(MVDB_HANDLE handle) {
    return Guarded(handle, [](DatabaseHandle& db) { return db.categories().GetCount(); });
}

int32_t MVDB_CALL GetCategoryInfo(MVDB_HANDLE handle, int32_t position, CategoryInfo* info) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.categories().GetRecord(position, info); });
}

int32_t MVDB_CALL AddCategoryInfo(MVDB_HANDLE handle, CategoryInfo* info) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.catalogue().AddCategory(info); });
}

int32_t MVDB_CALL DelCategoryInfo(MVDB_HANDLE handle, int32_t position, int32_t mode) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.catalogue().DeleteCategory(position, mode); });
}

int32_t MVDB_CALL ReplaceCategoryInfo(MVDB_HANDLE handle, int32_t position, CategoryInfo* info) {
    return Guarded(handle,
                   [&](DatabaseHandle& db) { return db.catalogue().ReplaceCategory(position, info); });
}

int32_t MVDB_CALL CheckChildCategory(MVDB_HANDLE handle, int32_t position, int32_t slot) {
    return Guarded(handle,
                   [&](DatabaseHandle& db) { return db.categories().CollectChildren(position, slot); });
}

int32_t MVDB_CALL GetCheckedCategory(MVDB_HANDLE handle, int32_t n, CategoryInfo* info, int32_t slot) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.categories().GetCollected(n, info, slot); });
}

int32_t MVDB_CALL GetCategoryAccessFlag(MVDB_HANDLE handle, int32_t position, uint32_t* flags) {
    return Guarded(handle, [&](DatabaseHandle& db) {
        if (flags == nullptr) return MVDB_ERR_INVALID;
        return db.categories().GetAccessFlags(position, flags);
    });
}

}  // extern "C"
