// Strings held in fixed-size record fields. A field may come from a caller
// or a file without a NUL inside it: its end is then the end of the string.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace mvdb {

// Length of the text in a field of `size` bytes, never reading past it.
inline size_t FieldLength(const char* field, size_t size) {
    const void* nul = std::memchr(field, 0, size);
    return nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : size;
}

template <size_t N>
inline size_t FieldLength(const char (&field)[N]) {
    return FieldLength(field, N);
}

template <size_t N>
inline std::string FieldString(const char (&field)[N]) {
    return std::string(field, FieldLength(field, N));
}

// Copies text into a field, cut to fit with its NUL; bytes behind the NUL
// are left as they were.
inline void CopyToField(char* field, size_t size, const char* text, size_t length) {
    if (size == 0) return;
    if (length > size - 1) length = size - 1;
    std::memmove(field, text, length);
    field[length] = '\0';
}

template <size_t N>
inline void CopyToField(char (&field)[N], const std::string& text) {
    CopyToField(field, N, text.data(), text.size());
}

// A field as a NUL-terminated string without copying when the field holds
// its own NUL, and with a bounded copy when it fills the field entirely.
template <size_t N>
class TerminatedField {
public:
    explicit TerminatedField(const char (&field)[N]) {
        if (std::memchr(field, 0, N) != nullptr) {
            text_ = field;
        } else {
            std::memcpy(copy_, field, N);
            copy_[N] = '\0';
            text_ = copy_;
        }
    }
    TerminatedField(const TerminatedField&) = delete;
    TerminatedField& operator=(const TerminatedField&) = delete;

    const char* c_str() const { return text_; }

private:
    const char* text_;
    char copy_[N + 1];
};

}  // namespace mvdb
