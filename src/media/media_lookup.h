// The criteria search over media items: text, date and range tests on each
// item, combined node by node, in the system's multibyte code page.
#pragma once

#include <cstdint>

#include "media/media_element.h"
#include "mvdb.h"
#include "platform/platform.h"

namespace mvdb {

// A criteria list longer than this is cut here: a list that loops back on
// itself must not hang the server.
inline constexpr int32_t kMaxCriteriaNodes = 4096;

// True for the separators a search may skip: space, underscore, hyphen.
bool IsIgnorable(unsigned char byte);

// How the matcher folds case: the run-time library's isalpha and toupper in
// the "C" locale, ASCII letters only.
inline bool IsAsciiLetter(unsigned int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline unsigned int AsciiUpper(unsigned int c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }

// True when the double-byte character `wide` has a single-byte form equal
// to `single` (without regard to case for letters when mode bit 0 is set).
bool CharMatchesWide(unsigned char single, unsigned int wide, int32_t mode,
                     const platform::CodePage& codePage);

// The byte offset in `text` at which `pattern` was found, or -1; a pure
// function of its arguments. Both strings are read as characters of the
// code page, and a match starts only where a text character starts. Mode
// bit 0 folds the case of single-byte letters; bit 1 ignores the
// separators of IsIgnorable (single-byte characters only) in text and
// pattern alike, and a match never starts on one; bit 2 lets a double-byte
// character match its single-byte form. Otherwise characters match only
// when they are the same. A pattern with nothing left to compare matches at
// offset 0.
int32_t MatchText(const char* text, const char* pattern, int32_t mode, const platform::CodePage& codePage);

// 0, 1 or 2, from the major and sub-kind of mediaType.
int32_t MediaClass(const MediaInfo& info);

// The day of the week of a FILETIME taken as it is (0 Sunday); -1 when the
// value is not a date.
int32_t FileTimeWeekday(const MVDB_FILETIME& time);

}  // namespace mvdb
