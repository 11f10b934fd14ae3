#include "format/scramble.h"

#include <algorithm>
#include <cstring>

namespace mvdb::format {

void ScrambleBytes(uint8_t* out, const uint8_t* in, int32_t n) {
    if (n < 1) {
        out[0] = 0;
        return;
    }
    uint8_t previous = kScrambleSeed;
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t plain = in[i];
        out[i] = plain ^ previous;
        previous = plain;
    }
    out[n] = 0;
}

void UnscrambleBytes(uint8_t* out, const uint8_t* in, int32_t n) {
    if (n < 1) {
        out[0] = 0;
        return;
    }
    uint8_t accumulated = kScrambleSeed;
    for (int32_t i = 0; i < n; ++i) {
        accumulated ^= in[i];
        out[i] = accumulated;
    }
    out[n] = 0;
}

void ScrambleAccount(DBAccount* block) {
    const void* nul = std::memchr(block->password, 0, sizeof block->password);
    const size_t textLength =
        nul ? static_cast<size_t>(static_cast<const char*>(nul) - block->password) : sizeof block->password;
    const int32_t n = static_cast<int32_t>(std::min<size_t>(textLength, kMaxPasswordBytes));
    uint8_t plain[sizeof(block->password)];
    std::memcpy(plain, block->password, static_cast<size_t>(n));
    ScrambleBytes(reinterpret_cast<uint8_t*>(block->password), plain, n);
    block->scrambled = 1;
}

void UnscrambleAccount(DBAccount* block) {
    const int32_t n = std::clamp(block->passwordLength, 0, kMaxPasswordBytes);
    uint8_t scrambled[sizeof(block->password)];
    std::memcpy(scrambled, block->password, static_cast<size_t>(n));
    UnscrambleBytes(reinterpret_cast<uint8_t*>(block->password), scrambled, n);
    block->scrambled = 0;
}

std::string ScramblePassword(const std::string& plain) {
    std::string out(plain.size() + 1, '\0');
    ScrambleBytes(reinterpret_cast<uint8_t*>(out.data()), reinterpret_cast<const uint8_t*>(plain.data()),
                  static_cast<int32_t>(plain.size()));
    out.pop_back();
    return out;
}

std::string UnscramblePassword(const std::string& scrambled) {
    std::string out(scrambled.size() + 1, '\0');
    UnscrambleBytes(reinterpret_cast<uint8_t*>(out.data()),
                    reinterpret_cast<const uint8_t*>(scrambled.data()),
                    static_cast<int32_t>(scrambled.size()));
    out.pop_back();
    return out;
}

}  // namespace mvdb::format
