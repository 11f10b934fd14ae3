#include "storage/account.h"

#include <algorithm>
#include <cstring>

#include "storage/fixed_string.h"

namespace mvdb {

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
