// What the text-matching tests write their cases with: the match modes by
// short names, and Shift-JIS characters by name. Several of these have a
// second byte that equals an ASCII letter, an underscore or a backslash,
// which a byte-wise search would take for that character.
#pragma once

#include <cstdint>

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
