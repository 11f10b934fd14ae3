// The password scrambling of the database account in every file header
// and of the passwords in user records. Each byte is XORed with the plain
// byte before it, the first with a fixed seed. The seed is part of the
// file format: every file and every scrambled password depends on it.
#pragma once

#include <cstdint>
#include <string>

#include "mvdb.h"

namespace mvdb::format {

inline constexpr uint8_t kScrambleSeed = 0xA7;

// The longest texts the account fields hold with their NULs.
inline constexpr int32_t kMaxPasswordBytes = sizeof(DBAccount::password) - 1;
inline constexpr int32_t kMaxAccountNameBytes = sizeof(DBAccount::userName) - 1;

// out[i] = in[i] ^ the plain byte before it (the seed before the first); a
// NUL follows the n bytes, so out must hold n + 1 bytes. n below 1 leaves
// only the NUL.
void ScrambleBytes(uint8_t* out, const uint8_t* in, int32_t n);
// The inverse of ScrambleBytes; out must hold n + 1 bytes.
void UnscrambleBytes(uint8_t* out, const uint8_t* in, int32_t n);

// Scrambles the password text in place, taking its length from the text,
// and sets `scrambled`; passwordLength is left as it is.
void ScrambleAccount(DBAccount* block);
// Unscrambles passwordLength bytes in place and clears `scrambled`. A
// length the field cannot hold is cut to what it holds, so nothing outside
// the field is read or written.
void UnscrambleAccount(DBAccount* block);

// The same for whole strings: as many bytes out as in (scrambled bytes may
// be zero, so the length is carried apart from the text).
std::string ScramblePassword(const std::string& plain);
std::string UnscramblePassword(const std::string& scrambled);

}  // namespace mvdb::format
