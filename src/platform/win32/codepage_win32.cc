// The code page on Windows is the run-time library's current multibyte code
// page, and every answer comes from the run-time library's own functions.
#include <mbctype.h>
// Flag names of mbctype.h that the C++ library uses as template parameters.
#undef _M1
#undef _M2
#undef _MS
#undef _MP
#include <mbstring.h>
#include <windows.h>

#include "platform/cp932_tables.h"
#include "platform/platform.h"

namespace mvdb::platform {

namespace {

const unsigned char* Bytes(const char* s) { return reinterpret_cast<const unsigned char*>(s); }

class MsvcrtCodePage final : public CodePage {
public:
    int Number() const override { return _getmbcp(); }
    bool IsLeadByte(unsigned char b) const override { return _ismbblead(b) != 0; }
    int CompareNoCase(const char* a, const char* b) const override { return _mbsicmp(Bytes(a), Bytes(b)); }
    const char* FindChar(const char* s, unsigned char c) const override {
        return reinterpret_cast<const char*>(_mbschr(Bytes(s), c));
    }
    unsigned int ToSingleByte(unsigned int c) const override { return _mbctombb(c); }
    // Code page 932 folds as its tables (checked against the run-time
    // library) say. Elsewhere only the ASCII letters are known to fold: every
    // other byte shares one key, and a double-byte character keeps only its
    // lead byte, so that an unknown folding can only merge keys.
    unsigned int CaselessKey(unsigned int c) const override {
        if (_getmbcp() == cp932::kNumber) return cp932::CaselessKey(c);
        if (c >= 'A' && c <= 'Z') return c + ('a' - 'A');
        if (c < 0x80) return c;
        return c > 0xFF ? (c & 0xFF00) : 0x80;
    }
};

}  // namespace

std::unique_ptr<CodePage> CurrentCodePage() { return std::make_unique<MsvcrtCodePage>(); }

std::string LiveVideoCategoryName(const CodePage&) {
    // The string comes from the library's resources in the user's language,
    // converted to the ANSI code page by LoadStringA.
    HMODULE library = GetModuleHandleA("mvdb.dll");
    if (library == nullptr) return std::string();
    char buffer[MAX_PATH] = {};
    const int n = LoadStringA(library, 1, buffer, MAX_PATH - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

}  // namespace mvdb::platform
