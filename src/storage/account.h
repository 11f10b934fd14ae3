// The database account block and the password scrambling that protects it
// in every database file and in user records.
#pragma once

#include <cstdint>

#include "mvdb.h"

namespace mvdb {

// The one-byte seed of the scrambling. It is part of the file format: every
// file and every scrambled user password ever written depends on it.
inline constexpr uint8_t kScrambleSeed = 0xA7;

// The longest password text the 60-byte field holds with its NUL.
inline constexpr int32_t kMaxPasswordBytes = sizeof(DBAccount::password) - 1;
inline constexpr int32_t kMaxUserNameBytes = sizeof(DBAccount::userName) - 1;

// out[i] = in[i] ^ previous plain byte (the seed before the first); a NUL
// follows the n bytes, so out must hold n + 1 bytes.
void ScrambleBytes(uint8_t* out, const uint8_t* in, int32_t n);
// The inverse of ScrambleBytes; out must hold n + 1 bytes.
void UnscrambleBytes(uint8_t* out, const uint8_t* in, int32_t n);

// Scrambles the password text in place, taking its length from the text.
void ScrambleAccount(DBAccount* block);
// Unscrambles passwordLength bytes in place. A length the field cannot hold
// is cut to what it holds, so nothing outside the field is read or written.
void UnscrambleAccount(DBAccount* block);

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
