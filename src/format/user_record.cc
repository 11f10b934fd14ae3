#include "format/user_record.h"

#include <algorithm>
#include <cstring>

namespace mvdb::format {

namespace {

size_t BoundedLength(const char* field, size_t size) {
    const void* nul = std::memchr(field, 0, size);
    return nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : size;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int32_t Int32At(const ClientInfo& record, size_t offset) {
    int32_t value = 0;
    std::memcpy(&value, reinterpret_cast<const uint8_t*>(&record) + offset, sizeof value);
    return value;
}

}  // namespace

bool IsUserRecord(const ClientInfo& record) {
    return std::memcmp(record.clientName, kUserPrefix, kUserPrefixBytes) == 0;
}

bool CarriesUserPrefix(const char* name) {
    if (name == nullptr) return false;
    for (size_t i = 0; i < kUserPrefixBytes; ++i) {
        // A shorter name ends at its NUL, which matches no prefix byte.
        if (AsciiLower(name[i]) != kUserPrefix[i]) return false;
    }
    return true;
}

std::string UserNameOf(const ClientInfo& record) {
    if (!IsUserRecord(record)) return std::string();
    const char* behind = record.clientName + kUserPrefixBytes;
    return std::string(behind, BoundedLength(behind, sizeof record.clientName - kUserPrefixBytes));
}

int32_t UserPasswordLengthOf(const ClientInfo& record) { return Int32At(record, kUserPasswordLengthOffset); }

int32_t UserLevelOf(const ClientInfo& record) { return Int32At(record, kUserLevelOffset); }

bool BuildUserRecord(const DBAccount& account, ClientInfo* record) {
    const size_t nameLength = BoundedLength(account.userName, sizeof account.userName);
    if (nameLength > kMaxUserNameBytes) return false;
    *record = ClientInfo{};
    record->recordSize = sizeof(ClientInfo);
    std::memcpy(record->clientName, kUserPrefix, kUserPrefixBytes);
    std::memcpy(record->clientName + kUserPrefixBytes, account.userName, nameLength);
    auto* bytes = reinterpret_cast<uint8_t*>(record);
    std::memcpy(bytes + kUserPasswordOffset, account.password, sizeof account.password);
    std::memcpy(bytes + kUserPasswordLengthOffset, &account.passwordLength, sizeof(int32_t));
    std::memcpy(bytes + kUserLevelOffset, &account.userLevel, sizeof(int32_t));
    return true;
}

DBAccount UserAccountOf(const ClientInfo& record) {
    DBAccount account{};
    const std::string name = UserNameOf(record);
    std::memcpy(account.userName, name.data(), std::min(name.size(), sizeof account.userName - 1));
    std::memcpy(account.password, reinterpret_cast<const uint8_t*>(&record) + kUserPasswordOffset,
                sizeof account.password);
    account.passwordLength = UserPasswordLengthOf(record);
    account.userLevel = UserLevelOf(record);
    account.recordIndex = record.recordIndex;
    return account;
}

}  // namespace mvdb::format
