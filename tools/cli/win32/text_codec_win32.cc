// Conversions with the system's own tables. Arguments arrive in the ANSI
// code page, which is also the library's multibyte code page.
#include <io.h>
#include <windows.h>

#include <cstdio>
// The run-time library's multibyte code page, as the library uses it.
#include <mbctype.h>
// Flag names of mbctype.h that the C++ library uses as template parameters.
#undef _M1
#undef _M2
#undef _MS
#undef _MP

#include "cli/text_codec.h"

namespace mvdb::cli {

namespace {

std::wstring Widen(UINT codePage, std::string_view bytes, DWORD flags) {
    if (bytes.empty()) return std::wstring();
    const int n =
        MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, flags, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
    return wide;
}

std::optional<std::string> Narrow(UINT codePage, const std::wstring& wide, bool exact) {
    if (wide.empty()) return std::string();
    BOOL lossy = FALSE;
    const bool canReport = codePage != CP_UTF8;
    // Without this flag a character with no form in the code page silently
    // becomes a look-alike (an accented e becomes a plain e in code page 932).
    const DWORD flags = exact && canReport ? WC_NO_BEST_FIT_CHARS : 0;
    const int n = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                      nullptr, canReport ? &lossy : nullptr);
    if (n <= 0 || (exact && lossy)) return std::nullopt;
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

}  // namespace

struct TextCodec::Converters {};

TextCodec::TextCodec(int codePage) : codePage_(codePage) {}

TextCodec::~TextCodec() = default;

std::string TextCodec::ToUtf8(std::string_view bytes) const {
    if (IsAscii(bytes)) return std::string(bytes);
    return Narrow(CP_UTF8, Widen(static_cast<UINT>(codePage_), bytes, 0), false).value_or(std::string());
}

std::optional<std::string> TextCodec::FromUtf8(std::string_view text) const {
    if (IsAscii(text)) return std::string(text);
    const std::wstring wide = Widen(CP_UTF8, text, MB_ERR_INVALID_CHARS);
    if (wide.empty()) return std::nullopt;
    return Narrow(static_cast<UINT>(codePage_), wide, true);
}

std::string TextCodec::NativeToUtf8(std::string_view native) const {
    if (IsAscii(native)) return std::string(native);
    return Narrow(CP_UTF8, Widen(CP_ACP, native, 0), false).value_or(std::string());
}

std::string TextCodec::Utf8ToDisplay(std::string_view text) const {
    if (IsAscii(text)) return std::string(text);
    // A console shows its own code page; a file or pipe gets the ANSI one.
    const UINT target = _isatty(_fileno(stdout)) ? GetConsoleOutputCP() : CP_ACP;
    return Narrow(target, Widen(CP_UTF8, text, 0), false).value_or(std::string(text));
}

int DatabaseCodePage() { return _getmbcp(); }

}  // namespace mvdb::cli
