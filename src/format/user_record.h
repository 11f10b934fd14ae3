// User accounts stored in the client catalogue. A user is a ClientInfo
// record whose name is "global\" followed by the user name; its client data
// carries the account's scrambled password, the password length and the
// user level. This is the one rule for telling users from clients: the
// library and the tool both ask IsUserRecord.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "mvdb.h"

namespace mvdb::format {

// The seven bytes that open every user record's name.
inline constexpr char kUserPrefix[] = "global\\";
inline constexpr size_t kUserPrefixBytes = sizeof(kUserPrefix) - 1;
// The longest user name: the prefix and a NUL share the 64-byte name field.
inline constexpr size_t kMaxUserNameBytes = sizeof(ClientInfo::clientName) - kUserPrefixBytes - 1;

// Where a user record keeps its account, as offsets into the record.
inline constexpr size_t kUserPasswordOffset = 96;  // char[60], scrambled
inline constexpr size_t kUserPasswordLengthOffset = 156;
inline constexpr size_t kUserLevelOffset = 160;
static_assert(offsetof(ClientInfo, clientData3) == kUserPasswordOffset);
static_assert(kUserPasswordLengthOffset == kUserPasswordOffset + sizeof(DBAccount::password));
static_assert(kUserLevelOffset + sizeof(int32_t) <= sizeof(ClientInfo));

// A user record: its name starts with the seven bytes "global\", compared
// with case. "globalbox" and "GLOBAL\x" are clients.
bool IsUserRecord(const ClientInfo& record);

// A name that client changes refuse: its first seven bytes are "global\"
// in any ASCII case. Refusing the caseless form keeps a client from ever
// matching a user caselessly, or becoming one. A null name carries nothing.
bool CarriesUserPrefix(const char* name);

// The user name behind the prefix (bytes as stored, up to the NUL or the
// field's end); empty for a record that is not a user record.
std::string UserNameOf(const ClientInfo& record);
int32_t UserPasswordLengthOf(const ClientInfo& record);
int32_t UserLevelOf(const ClientInfo& record);

// A zeroed user record for `account` (its password bytes copied unchanged,
// as callers pass them scrambled). False when the user name, bounded by
// its field, is longer than kMaxUserNameBytes: cut short it could name
// another user.
bool BuildUserRecord(const DBAccount& account, ClientInfo* record);

// The account of a user record as the user functions hand it out: name
// behind the prefix, the 60 password bytes, their length, the level and the
// record's index; everything else zero.
DBAccount UserAccountOf(const ClientInfo& record);

}  // namespace mvdb::format
