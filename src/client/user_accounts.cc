// User accounts: client records named "global\<user>" that carry a
// scrambled password and a user level (the layout in format/user_record.h).
#include <cstring>

#include "client/client_database.h"
#include "format/user_record.h"
#include "storage/account.h"
#include "storage/fixed_string.h"

namespace mvdb {

namespace {

bool IsDeleted(const ClientInfo& record) { return (record.clientFlags & MVDB_CLIENT_DELETED) != 0; }

}  // namespace

int32_t ClientDatabase::AddUser(const DBAccount* account) {
    if (account == nullptr) return MVDB_ERR_INVALID;
    ClientInfo record;
    if (!format::BuildUserRecord(*account, &record)) return MVDB_ERR_OUT_OF_RANGE;
    return AddOfKind(&record, Kind::kUser);
}

int32_t ClientDatabase::DeleteUser(int32_t index) { return DeleteOfKind(index, Kind::kUser); }

int32_t ClientDatabase::ModifyUser(int32_t index, const DBAccount* account) {
    ClientInfo stored;
    if (!records_.Get(index, &stored) || !format::IsUserRecord(stored)) return MVDB_ERR_OUT_OF_RANGE;
    if (account == nullptr) return MVDB_ERR_INVALID;
    ClientInfo record;
    if (!format::BuildUserRecord(*account, &record)) return MVDB_ERR_OUT_OF_RANGE;
    record.recordIndex = index;
    return ReplaceOfKind(index, &record, Kind::kUser);
}

int32_t ClientDatabase::ReadUserAccount(int32_t index, DBAccount* out) const {
    ClientInfo stored;
    if (!records_.Get(index, &stored) || !format::IsUserRecord(stored)) return MVDB_ERR_OUT_OF_RANGE;
    if (out == nullptr) return MVDB_ERR_INVALID;
    if (IsDeleted(stored)) return MVDB_ERR_OUT_OF_RANGE;
    *out = format::UserAccountOf(stored);
    return 0;
}

int32_t ClientDatabase::LoginUser(const char* userName, const char* password) const {
    constexpr int32_t kRefused = 1;
    if (userName == nullptr || password == nullptr) return kRefused;
    const size_t nameLength = std::strlen(userName);
    if (nameLength > format::kMaxUserNameBytes) return kRefused;
    char wanted[sizeof(ClientInfo::clientName)] = {};
    std::memcpy(wanted, format::kUserPrefix, format::kUserPrefixBytes);
    std::memcpy(wanted + format::kUserPrefixBytes, userName, nameLength);
    const int32_t index = FindLiveUser(wanted);
    DBAccount account;
    if (index < 0 || ReadUserAccount(index, &account) != 0) return kRefused;
    // A stored length the password field cannot hold is a damaged record.
    if (account.passwordLength < 0 || account.passwordLength > kMaxPasswordBytes) return kRefused;
    UnscrambleAccount(&account);
    if (std::strcmp(account.password, password) != 0) return kRefused;
    return account.userLevel;
}

int32_t ClientDatabase::CollectUsers(int32_t slot) {
    if (!ResultSlots<int32_t>::ValidSlot(slot)) return MVDB_ERR_OUT_OF_RANGE;
    return slots_.Rebuild(slot, [&](std::vector<int32_t>& entries) {
        records_.ForEach([&](int32_t i, const ClientInfo& r) {
            if (format::IsUserRecord(r) && !IsDeleted(r)) entries.push_back(i);
        });
    });
}

int32_t ClientDatabase::GetCollectedUser(int32_t position, DBAccount* out, int32_t slot) const {
    int32_t index = 0;
    if (!slots_.Get(slot, position, &index)) return MVDB_ERR_OUT_OF_RANGE;
    return ReadUserAccount(index, out);
}

}  // namespace mvdb
