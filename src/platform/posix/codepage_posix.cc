// The code page on systems without the Windows run-time library. Two code
// pages are known: 932 (Shift-JIS, double-byte) and 1252 (single-byte). The
// answers copy those of the Windows run-time library's multibyte functions
// (_ismbblead, _mbsicmp, _mbschr, _mbctombb) for the same code page, so that
// a catalogue sorts and matches names alike on both systems.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "format/code_page.h"
#include "platform/cp932_tables.h"
#include "platform/platform.h"

namespace mvdb::platform {
namespace {

constexpr int kWestern = 1252;

// One character of a double-byte string: its value and its length in bytes.
// A lead byte directly before the NUL is a character of its own (lead << 8)
// after which the string ends; the NUL is never stepped over.
struct Char {
    unsigned int value;
    int length;
};

Char NextChar(const unsigned char* s) {
    if (cp932::IsLeadByte(s[0])) {
        if (s[1] == 0) return {static_cast<unsigned int>(s[0]) << 8, 1};
        return {static_cast<unsigned int>(s[0]) << 8 | s[1], 2};
    }
    return {s[0], 1};
}

class ShiftJisCodePage final : public CodePage {
public:
    int Number() const override { return cp932::kNumber; }

    bool IsLeadByte(unsigned char b) const override { return cp932::IsLeadByte(b); }

    int CompareNoCase(const char* a, const char* b) const override {
        auto p = reinterpret_cast<const unsigned char*>(a);
        auto q = reinterpret_cast<const unsigned char*>(b);
        for (;;) {
            if (*p == 0) return *q == 0 ? 0 : -1;
            if (*q == 0) return 1;
            const Char x = NextChar(p);
            const Char y = NextChar(q);
            const unsigned int kx = cp932::CaselessKey(x.value);
            const unsigned int ky = cp932::CaselessKey(y.value);
            if (kx != ky) return kx < ky ? -1 : 1;
            // Equal keys have equal widths; a lead byte before the NUL ends both.
            if (x.length == 1 && x.value > 0xFF) return 0;
            p += x.length;
            q += y.length;
        }
    }

    const char* FindChar(const char* s, unsigned char c) const override {
        auto p = reinterpret_cast<const unsigned char*>(s);
        for (;;) {
            if (cp932::IsLeadByte(*p)) {
                if (p[1] == 0) return c == 0 ? reinterpret_cast<const char*>(p + 1) : nullptr;
                p += 2;
                continue;
            }
            if (*p == c) return reinterpret_cast<const char*>(p);
            if (*p == 0) return nullptr;
            ++p;
        }
    }

    unsigned int ToSingleByte(unsigned int c) const override { return cp932::ToSingleByte(c); }

    unsigned int CaselessKey(unsigned int c) const override { return cp932::CaselessKey(c); }
};

class WesternCodePage final : public CodePage {
public:
    int Number() const override { return kWestern; }

    bool IsLeadByte(unsigned char) const override { return false; }

    // Only ASCII letters fold, both to small letters, and bytes compare as
    // signed chars: 80-FF sort before every ASCII character, the NUL included.
    int CompareNoCase(const char* a, const char* b) const override {
        int x;
        int y;
        do {
            x = Fold(*a++);
            y = Fold(*b++);
        } while (x != 0 && x == y);
        return x - y;
    }

    const char* FindChar(const char* s, unsigned char c) const override {
        return std::strchr(s, static_cast<char>(c));
    }

    unsigned int ToSingleByte(unsigned int c) const override { return c; }

    unsigned int CaselessKey(unsigned int c) const override {
        return static_cast<unsigned int>(static_cast<unsigned char>(Fold(static_cast<char>(c))));
    }

private:
    static int Fold(char ch) {
        int v = static_cast<signed char>(ch);
        return v >= 'A' && v <= 'Z' ? v + ('a' - 'A') : v;
    }
};

// MVDB_CODEPAGE names the code page; without it a Japanese locale means 932.
int ConfiguredNumber() {
    return format::ConfiguredCodePage([](const char* name) { return std::getenv(name); });
}

}  // namespace

std::unique_ptr<CodePage> CurrentCodePage() {
    if (ConfiguredNumber() == cp932::kNumber) return std::make_unique<ShiftJisCodePage>();
    return std::make_unique<WesternCodePage>();
}

std::string LiveVideoCategoryName(const CodePage& codePage) {
    // "ライブ" in Shift-JIS.
    if (codePage.Number() == cp932::kNumber) return "\x83\x89\x83\x43\x83\x75";
    return "Live Video";
}

}  // namespace mvdb::platform
