// The handle, reset and account exports.
#include "frame/database_handle.h"
#include "frame/export_guard.h"
#include "storage/account.h"

using mvdb::DatabaseHandle;
using mvdb::Guarded;

extern "C" {

MVDB_HANDLE MVDB_CALL OpenMVDB(void) {
    try {
        std::unique_ptr<DatabaseHandle> handle = DatabaseHandle::Open();
        if (!handle) return MVDB_INVALID_HANDLE;
        return handle.release();
    } catch (...) {
        return MVDB_INVALID_HANDLE;
    }
}

void MVDB_CALL CloseMVDB(MVDB_HANDLE handle) {
    // Destructors do not throw; a stray -1 from a failed open is ignored too.
    if (handle == nullptr || handle == MVDB_INVALID_HANDLE) return;
    delete mvdb::FromHandle(handle);
}

int32_t MVDB_CALL InitializeDB(MVDB_HANDLE handle) {
    return Guarded(handle, [](DatabaseHandle& db) { return db.catalogue().Initialize(); });
}

int32_t MVDB_CALL GetDBAccount(MVDB_HANDLE handle, DBAccount* account) {
    return Guarded(handle, [account](DatabaseHandle& db) {
        if (account == nullptr) return MVDB_ERR_INVALID;
        mvdb::CopyAccountOut(db.account().Get(), account);
        return 0;
    });
}

int32_t MVDB_CALL SetDBAccount(MVDB_HANDLE handle, const DBAccount* account) {
    return Guarded(handle, [account](DatabaseHandle& db) {
        if (account == nullptr) return MVDB_ERR_INVALID;
        return db.SetAccount(*account);
    });
}

}  // extern "C"
