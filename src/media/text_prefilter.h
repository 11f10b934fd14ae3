// A quick test ahead of the text matcher of the criteria search. Most items
// of a large catalogue do not match; this rejects them with a vectorised
// byte search instead of the character-by-character comparison, and never
// rejects a text that the matcher would accept.
//
// It looks for the longest run of plain ASCII pattern characters that every
// match must contain byte for byte (letters in either case when case is
// ignored). A single-byte ASCII pattern character matches only the same
// single-byte character of the text (or its other case), and a double-byte
// text character never matches it unless widths are ignored; so without
// width folding the run stands in the text as it stands in the pattern. When
// separators are skipped, any number of them may fall between two pattern
// characters, so a run is one character long and never a separator. With
// width folding a full-width text character may stand for an ASCII one, so
// nothing is filtered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace mvdb {

class TextPrefilter {
public:
    // `pattern` is NUL-terminated; `mode` and `codePage` as the matcher takes them.
    TextPrefilter(const char* pattern, int32_t mode, const platform::CodePage& codePage);

    // The pattern as the matcher takes it.
    const char* pattern() const { return pattern_.c_str(); }
    // False only when the matcher finds no match of the pattern in the
    // `length` bytes of `text` (no NUL among them).
    bool MayMatch(const char* text, size_t length) const;

private:
    bool RunAt(const char* text) const;

    std::string pattern_;
    // The bytes every match contains in a row; empty when nothing is required.
    std::string run_;
    // The byte of run_ searched for first: the one likely to be rarest.
    size_t anchor_ = 0;
    bool foldCase_ = false;
};

}  // namespace mvdb
