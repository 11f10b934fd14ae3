// What the text-matching tests write their cases with: the match modes by
// short names, and Shift-JIS characters by name. Several of these have a
// second byte that equals an ASCII letter, an underscore or a backslash,
// which a byte-wise search would take for that character.
#pragma once

#include <cstdint>
#include <iterator>
#include <random>
#include <string>

#include "mvdb.h"

namespace mvdb {

inline constexpr int32_t kCase = MVDB_MATCH_IGNORE_CASE;
inline constexpr int32_t kSkip = MVDB_MATCH_SKIP_IGNORABLE;
inline constexpr int32_t kWidth = MVDB_MATCH_IGNORE_WIDTH;

}  // namespace mvdb

#define KATAKANA_A "\x83\x41"   // second byte 'A'
#define KATAKANA_U "\x83\x45"   // second byte 'E'
#define KATAKANA_DA "\x83\x5f"  // second byte '_'
#define KATAKANA_DI "\x83\x61"  // second byte 'a'
#define KATAKANA_N "\x83\x93"
#define KATAKANA_SU "\x83\x58"
#define SMALL_YA "\x83\x83"
#define HYOU "\x95\x5c"    // second byte '\'
#define FULL_A "\x82\x60"  // full-width A, second byte '`'
#define FULL_B "\x82\x61"
#define FULL_C "\x82\x62"
#define FULL_SMALL_A "\x82\x81"
#define IDEOGRAPHIC_SPACE "\x81\x40"
#define HALF_A "\xb1"   // half-width katakana a
#define HALF_TA "\xc0"  // half-width katakana ta

namespace mvdb::test {

// Digits, letters of both cases, the separators, accented 1252 letters and
// double-byte characters whose second byte looks like ASCII: what random
// texts for the matching tests are made of.
inline const char* const kTextPieces[] = {"a",
                                          "A",
                                          "e",
                                          "E",
                                          "9",
                                          "z",
                                          " ",
                                          "_",
                                          "-",
                                          "\xe9",
                                          "\xc9",
                                          KATAKANA_A,
                                          KATAKANA_DI,
                                          KATAKANA_DA,
                                          FULL_A,
                                          HALF_A,
                                          "\x83",
                                          "\x83\x39",
                                          "\x82\x60"
                                          "a",
                                          "\x81\x40"};

// A text of up to maxPieces of those pieces.
inline std::string RandomText(std::mt19937& random, int maxPieces) {
    std::uniform_int_distribution<int> count(0, maxPieces);
    std::uniform_int_distribution<size_t> piece(0, std::size(kTextPieces) - 1);
    std::string s;
    for (int n = count(random); n > 0; --n) s += kTextPieces[piece(random)];
    return s;
}

}  // namespace mvdb::test
