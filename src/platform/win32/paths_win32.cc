// Paths, folders and time on Windows.
#include <mbctype.h>
// Flag names of mbctype.h that the C++ library uses as template parameters.
#undef _M1
#undef _M2
#undef _MS
#undef _MP
#include <mbstring.h>
#include <windows.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace mvdb::platform {

const char kPathSeparator = '\\';

namespace {

// The buffers of the classic Windows path functions.
constexpr DWORD kPathBuffer = MAX_PATH;

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The offset just after the last separator (backslash or slash) of `path`,
// read as characters of the current multibyte code page, so that the second
// byte of a double-byte character (which may be 0x5C) never counts; 0 when
// there is none at or after `from`.
size_t AfterLastSeparator(const std::string& path, size_t from) {
    size_t after = 0;
    for (size_t at = from; at < path.size();) {
        const auto byte = static_cast<unsigned char>(path[at]);
        if (_ismbblead(byte) != 0 && at + 1 < path.size()) {
            at += 2;
            continue;
        }
        if (byte == '\\' || byte == '/') after = at + 1;
        ++at;
    }
    return after;
}

}  // namespace

std::optional<std::string> ExecutablePath() {
    char buffer[kPathBuffer] = {};
    // A path of 259 bytes or more is cut short; that counts as no path.
    const DWORD n = GetModuleFileNameA(nullptr, buffer, kPathBuffer - 1);
    if (n == 0 || n >= kPathBuffer - 1) return std::nullopt;
    return std::string(buffer, n);
}

SplitPathResult SplitPath(const std::string& path) {
    // Paths that fit the classic buffers only; a longer one gives no parts
    // at all rather than a shortened folder. The drive is a letter and a
    // colon; the directory runs to the last separator character.
    if (path.size() >= _MAX_PATH) return {};
    const size_t driveLength = path.size() >= 2 && path[1] == ':' ? 2 : 0;
    const size_t after = AfterLastSeparator(path, driveLength);
    if (after == 0) return {path.substr(0, driveLength), std::string()};
    const std::string directory = path.substr(driveLength, after - driveLength);
    if (directory.size() >= _MAX_DIR) return {};
    return {path.substr(0, driveLength), directory};
}

bool IsCreatablePath(const std::string& path) {
    // A drive letter, a colon and something below the drive's root: this
    // refuses relative paths, paths from the current drive's root and UNC
    // paths alike. The separator is a character of its own, never the second
    // byte of a double-byte character.
    return path.size() >= 4 && IsAsciiLetter(path[0]) && path[1] == ':' &&
           _mbschr(reinterpret_cast<const unsigned char*>(path.c_str()), '\\') != nullptr;
}

int32_t CurrentTime() { return static_cast<int32_t>(std::time(nullptr)); }

}  // namespace mvdb::platform
