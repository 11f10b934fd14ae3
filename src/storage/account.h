// The database account block and the password scrambling that protects it
// in every database file and in user records.
#pragma once

#include <cstdint>

#include "format/scramble.h"
#include "mvdb.h"

namespace mvdb {

// The scrambling is part of the file format (format/scramble.h).
using format::kMaxPasswordBytes;
using format::kScrambleSeed;
using format::ScrambleAccount;
using format::ScrambleBytes;
using format::UnscrambleAccount;
using format::UnscrambleBytes;
inline constexpr int32_t kMaxUserNameBytes = format::kMaxAccountNameBytes;

// The block as a file header stores it: the password scrambled, and its
// length the length of the text actually scrambled. A length taken over
// from a damaged header (one the field cannot hold) is never written on, so
// every file's rule accepts every header written.
DBAccount StoredAccountBlock(const DBAccount& plain);

// Bounded copies of the account's texts: never reads past a field, always
// leaves a NUL inside the target field.
void CopyAccountOut(const DBAccount& shared, DBAccount* out);
void CopyAccountIn(const DBAccount& in, DBAccount* shared);

}  // namespace mvdb
