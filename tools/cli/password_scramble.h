// The scrambling that user records keep their passwords in: each byte is
// XORed with the plain byte before it, the first with a fixed seed. The
// seed belongs to the file format.
#pragma once

#include <string>

namespace mvdb::cli {

inline constexpr unsigned char kScrambleSeed = 0xA7;

// The scrambled bytes of a plain password, as many as it has.
std::string ScramblePassword(const std::string& plain);
// The inverse, for passwords read back.
std::string UnscramblePassword(const std::string& scrambled);

}  // namespace mvdb::cli
