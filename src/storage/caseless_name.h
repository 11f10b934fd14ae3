// A name that record fields are compared with, without regard to case,
// exactly as the code page's CompareNoCase compares them. A scan asks this
// of every record it looks at, so most fields are decided without the
// comparison: a byte-for-byte equal field is a match, and a field whose
// ASCII characters already differ in their caseless keys is not one.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "platform/platform.h"

namespace mvdb {

class CaselessName {
public:
    CaselessName(const platform::CodePage& codePage, std::string name);

    const std::string& str() const { return name_; }

    // Whether the text of a field of `size` bytes (up to its first NUL, or
    // all of it) equals the name under the code page's CompareNoCase.
    bool Matches(const char* field, size_t size) const;

    template <size_t N>
    bool Matches(const char (&field)[N]) const {
        return Matches(field, N);
    }

private:
    // Whether the two texts certainly differ: some character before the
    // first non-ASCII byte of either differs in its caseless key, or one
    // ends where the other has an ASCII character. ASCII bytes are single
    // characters in every code page the library knows, so the characters
    // up to there are aligned; and two characters CompareNoCase finds equal
    // share their key.
    bool CertainlyDiffers(const char* field, size_t size) const;

    const platform::CodePage* codePage_;
    std::string name_;
    std::array<unsigned int, 128> asciiKeys_{};
};

}  // namespace mvdb
