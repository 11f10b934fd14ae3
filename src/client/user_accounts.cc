// User accounts: client records named "global\<user>" that carry a
// scrambled password and a user level.
#include <cstdio>
#include <cstring>

#include "client/client_database.h"
#include "storage/account.h"
#include "storage/fixed_string.h"

namespace mvdb {

namespace {

constexpr char kUserPrefix[] = "global";
constexpr size_t kUserPrefixBytes = 6;  // the backslash behind it is not tested
// "global\" before the user name, a NUL after it.
constexpr size_t kMaxUserNameBytes = sizeof(ClientInfo::clientName) - kUserPrefixBytes - 2;

// Where a user record keeps its account inside the client data.
constexpr size_t kPasswordOffset = 0;
constexpr size_t kPasswordLengthOffset = 60;
constexpr size_t kUserLevelOffset = 64;

bool IsUserRecord(const ClientInfo& record) {
    return std::memcmp(record.clientName, kUserPrefix, kUserPrefixBytes) == 0;
}

bool IsDeleted(const ClientInfo& record) { return (record.clientFlags & MVDB_CLIENT_DELETED) != 0; }

// "global\<name>" for a user name that fits; false for a longer one, which
// truncated could name another user.
bool UserRecordName(const char* userName, size_t length, char (&out)[sizeof(ClientInfo::clientName)]) {
    if (length > kMaxUserNameBytes) return false;
    std::snprintf(out, sizeof out, "%s\\%.*s", kUserPrefix, static_cast<int>(length), userName);
    return true;
}

bool BuildUserRecord(const DBAccount& account, ClientInfo* record) {
    *record = ClientInfo{};
    record->recordSize = sizeof(ClientInfo);
    if (!UserRecordName(account.userName, FieldLength(account.userName), record->clientName)) return false;
    std::memcpy(record->clientData3 + kPasswordOffset, account.password, sizeof account.password);
    std::memcpy(record->clientData3 + kPasswordLengthOffset, &account.passwordLength, sizeof(int32_t));
    std::memcpy(record->clientData3 + kUserLevelOffset, &account.userLevel, sizeof(int32_t));
    return true;
}

}  // namespace

int32_t ClientDatabase::AddUser(const DBAccount* account) {
    if (account == nullptr) return MVDB_ERR_INVALID;
    ClientInfo record;
    if (!BuildUserRecord(*account, &record)) return MVDB_ERR_OUT_OF_RANGE;
    return AddRecord(&record);
}

int32_t ClientDatabase::DeleteUser(int32_t index) {
    ClientInfo stored;
    if (!records_.Get(index, &stored) || !IsUserRecord(stored)) return MVDB_ERR_OUT_OF_RANGE;
    return DeleteRecord(index);
}

int32_t ClientDatabase::ModifyUser(int32_t index, const DBAccount* account) {
    ClientInfo stored;
    if (!records_.Get(index, &stored) || !IsUserRecord(stored)) return MVDB_ERR_OUT_OF_RANGE;
    if (account == nullptr) return MVDB_ERR_INVALID;
    ClientInfo record;
    if (!BuildUserRecord(*account, &record)) return MVDB_ERR_OUT_OF_RANGE;
    record.recordIndex = index;
    return ReplaceRecord(index, &record);
}

int32_t ClientDatabase::ReadUserAccount(int32_t index, DBAccount* out) const {
    ClientInfo stored;
    if (!records_.Get(index, &stored) || !IsUserRecord(stored)) return MVDB_ERR_OUT_OF_RANGE;
    if (out == nullptr) return MVDB_ERR_INVALID;
    if (IsDeleted(stored)) return MVDB_ERR_OUT_OF_RANGE;
    *out = DBAccount{};
    const size_t nameLength = FieldLength(stored.clientName);
    const size_t behindPrefix = nameLength > kUserPrefixBytes + 1 ? nameLength - kUserPrefixBytes - 1 : 0;
    CopyToField(out->userName, sizeof out->userName, stored.clientName + kUserPrefixBytes + 1, behindPrefix);
    std::memcpy(out->password, stored.clientData3 + kPasswordOffset, sizeof out->password);
    std::memcpy(&out->passwordLength, stored.clientData3 + kPasswordLengthOffset, sizeof(int32_t));
    std::memcpy(&out->userLevel, stored.clientData3 + kUserLevelOffset, sizeof(int32_t));
    out->recordIndex = stored.recordIndex;
    return 0;
}

int32_t ClientDatabase::LoginUser(const char* userName, const char* password) const {
    constexpr int32_t kRefused = 1;
    if (userName == nullptr || password == nullptr) return kRefused;
    char wanted[sizeof(ClientInfo::clientName)];
    if (!UserRecordName(userName, std::strlen(userName), wanted)) return kRefused;
    const int32_t index = records_.FindFirst([&](const ClientInfo& r) {
        const TerminatedField stored(r.clientName);
        return !IsDeleted(r) && codePage_.CompareNoCase(stored.c_str(), wanted) == 0;
    });
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
            if (IsUserRecord(r) && !IsDeleted(r)) entries.push_back(i);
        });
    });
}

int32_t ClientDatabase::GetCollectedUser(int32_t position, DBAccount* out, int32_t slot) const {
    int32_t index = 0;
    if (!slots_.Get(slot, position, &index)) return MVDB_ERR_OUT_OF_RANGE;
    return ReadUserAccount(index, out);
}

}  // namespace mvdb
