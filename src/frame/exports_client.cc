// The client and user exports.
#include "frame/database_handle.h"
#include "frame/export_guard.h"

using mvdb::DatabaseHandle;
using mvdb::Guarded;

extern "C" {

int32_t MVDB_CALL AddClientInfo(MVDB_HANDLE handle, ClientInfo* info) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.clients().AddRecord(info); });
}

int32_t MVDB_CALL DelClientInfo(MVDB_HANDLE handle, int32_t index) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.clients().DeleteRecord(index); });
}

int32_t MVDB_CALL ReplaceClientInfo(MVDB_HANDLE handle, int32_t index, ClientInfo* info) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.clients().ReplaceRecord(index, info); });
}

int32_t MVDB_CALL GetClientCount(MVDB_HANDLE handle) {
    return Guarded(handle, [](DatabaseHandle& db) { return db.clients().RecordCount(); });
}

int32_t MVDB_CALL GetClientInfo(MVDB_HANDLE handle, int32_t index, ClientInfo* info) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.clients().GetRecord(index, info); });
}

int32_t MVDB_CALL GetClientInfoByName(MVDB_HANDLE handle, const char* name, ClientInfo* info) {
    return Guarded(handle, [&](DatabaseHandle& db) {
        const int32_t index = db.clients().FindByName(name);
        if (index < 0) return index;
        return db.clients().GetRecord(index, info);
    });
}

int32_t MVDB_CALL LoginClient(MVDB_HANDLE handle, ClientInfo* info) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.clients().Login(info); });
}

int32_t MVDB_CALL CheckChangedDataByName(MVDB_HANDLE handle, const char* name, int32_t slot) {
    return Guarded(handle,
                   [&](DatabaseHandle& db) { return db.catalogue().CollectChangedSinceLogin(name, slot); });
}

int32_t MVDB_CALL AddUser(MVDB_HANDLE handle, DBAccount* account) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.clients().AddUser(account); });
}

int32_t MVDB_CALL DelUser(MVDB_HANDLE handle, int32_t index) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.clients().DeleteUser(index); });
}

int32_t MVDB_CALL ModifyUser(MVDB_HANDLE handle, int32_t index, DBAccount* account) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.clients().ModifyUser(index, account); });
}

int32_t MVDB_CALL LoginUser(MVDB_HANDLE handle, const char* userName, const char* password) {
    constexpr int32_t kRefused = 1;
    return Guarded(handle, kRefused, kRefused,
                   [&](DatabaseHandle& db) { return db.clients().LoginUser(userName, password); });
}

int32_t MVDB_CALL CheckUser(MVDB_HANDLE handle, int32_t slot) {
    return Guarded(handle, [&](DatabaseHandle& db) { return db.clients().CollectUsers(slot); });
}

int32_t MVDB_CALL GetCheckedUser(MVDB_HANDLE handle, int32_t position, DBAccount* account, int32_t slot) {
    return Guarded(
        handle, [&](DatabaseHandle& db) { return db.clients().GetCollectedUser(position, account, slot); });
}

}  // extern "C"
