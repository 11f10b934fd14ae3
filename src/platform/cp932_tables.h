// Character facts of code page 932 (Shift-JIS as Windows extends it), for
// systems whose C library knows no such code page. Values are characters as
// the run-time library passes them: a single byte, or lead << 8 | trail.
#pragma once

namespace mvdb::platform::cp932 {

inline constexpr int kNumber = 932;

// True for the bytes that start a double-byte character: 81-9F and E0-FC.
bool IsLeadByte(unsigned char b);

// The single-byte form of a double-byte character: full-width ASCII and the
// ideographic space become ASCII, full-width punctuation and kana (hiragana
// included, voicing marks dropped) become half-width katakana. Any other
// value is returned unchanged.
unsigned int ToSingleByte(unsigned int c);

// The value under which caseless comparison orders a character: ASCII and
// full-width Latin, Greek and Cyrillic capitals take their small letter,
// and a character that the code page encodes twice or three times (the NEC
// and IBM extensions) takes the encoding that converts back from Unicode.
// Everything else is its own key, so unassigned codes stay distinct.
unsigned int CaselessKey(unsigned int c);

}  // namespace mvdb::platform::cp932
