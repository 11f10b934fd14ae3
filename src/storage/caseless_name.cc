#include "storage/caseless_name.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace mvdb {

namespace {

// Whether the n bytes at a and b are the same. Names of 8 to 16 bytes (with
// their NUL) are compared as two overlapping words, without a call.
bool SameBytes(const char* a, const char* b, size_t n) {
    if (n < 8 || n > 16) return std::memcmp(a, b, n) == 0;
    uint64_t a0, b0, a1, b1;
    std::memcpy(&a0, a, 8);
    std::memcpy(&b0, b, 8);
    std::memcpy(&a1, a + n - 8, 8);
    std::memcpy(&b1, b + n - 8, 8);
    return a0 == b0 && a1 == b1;
}

}  // namespace

CaselessName::CaselessName(const platform::CodePage& codePage, std::string name)
    : codePage_(&codePage), name_(std::move(name)) {
    for (unsigned int c = 0; c < asciiKeys_.size(); ++c) asciiKeys_[c] = codePage.CaselessKey(c);
}

bool CaselessName::CertainlyDiffers(const char* field, size_t size) const {
    const size_t n = std::min(size, name_.size() + 1);  // the name's NUL included
    for (size_t i = 0; i < n; ++i) {
        const auto a = static_cast<unsigned char>(field[i]);
        const auto b = static_cast<unsigned char>(name_[i]);
        if (a >= 0x80 || b >= 0x80) return false;
        if (a == 0 || b == 0) return a != b;
        if (asciiKeys_[a] != asciiKeys_[b]) return true;
    }
    return false;
}

bool CaselessName::Matches(const char* field, size_t size) const {
    if (name_.size() < size && SameBytes(field, name_.c_str(), name_.size() + 1)) return true;
    if (CertainlyDiffers(field, size)) return false;
    if (std::memchr(field, 0, size) != nullptr) return codePage_->CompareNoCase(field, name_.c_str()) == 0;
    const std::string text(field, size);
    return codePage_->CompareNoCase(text.c_str(), name_.c_str()) == 0;
}

}  // namespace mvdb
