#include "storage/account.h"

#include <algorithm>
#include <cstring>

#include "storage/fixed_string.h"

namespace mvdb {

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
    const int32_t n = static_cast<int32_t>(std::min<size_t>(FieldLength(block->password), kMaxPasswordBytes));
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

DBAccount StoredAccountBlock(const DBAccount& plain) {
    DBAccount stored = plain;
    stored.passwordLength =
        static_cast<int32_t>(std::min<size_t>(FieldLength(stored.password), kMaxPasswordBytes));
    ScrambleAccount(&stored);
    return stored;
}

void CopyAccountOut(const DBAccount& shared, DBAccount* out) {
    const size_t nameLength = FieldLength(shared.userName);
    const size_t passwordLength = FieldLength(shared.password);
    CopyToField(out->userName, sizeof(out->userName), shared.userName, nameLength);
    CopyToField(out->password, sizeof(out->password), shared.password, passwordLength);
    out->passwordLength = static_cast<int32_t>(FieldLength(out->password));
}

void CopyAccountIn(const DBAccount& in, DBAccount* shared) {
    // Over-long texts are cut to their fields; the length follows the text
    // actually stored, so scrambling and unscrambling stay in step.
    CopyToField(shared->password, sizeof(shared->password), in.password, FieldLength(in.password));
    CopyToField(shared->userName, sizeof(shared->userName), in.userName, FieldLength(in.userName));
    shared->passwordLength = static_cast<int32_t>(FieldLength(shared->password));
}

}  // namespace mvdb
