// Paths, folders and time on Windows.
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

}  // namespace

std::optional<std::string> ExecutablePath() {
    char buffer[kPathBuffer] = {};
    // A path of 259 bytes or more is cut short; that counts as no path.
    const DWORD n = GetModuleFileNameA(nullptr, buffer, kPathBuffer - 1);
    if (n == 0 || n >= kPathBuffer - 1) return std::nullopt;
    return std::string(buffer, n);
}

SplitPathResult SplitPath(const std::string& path) {
    // The splitter takes paths that fit the classic buffers. A longer one, or
    // one whose folder the splitter had to cut, gives no parts at all rather
    // than a shortened folder.
    if (path.size() >= _MAX_PATH) return {};
    char drive[_MAX_DRIVE] = {};
    char directory[_MAX_DIR] = {};
    _splitpath(path.c_str(), drive, directory, nullptr, nullptr);
    const std::string folder = directory;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') return {};
    return {drive, folder};
}

bool IsCreatablePath(const std::string& path) {
    // A drive letter, a colon and something below the drive's root: this
    // refuses relative paths, paths from the current drive's root and UNC
    // paths alike.
    return path.size() >= 4 && IsAsciiLetter(path[0]) && path[1] == ':' &&
           path.find('\\') != std::string::npos;
}

int32_t CurrentTime() { return static_cast<int32_t>(std::time(nullptr)); }

}  // namespace mvdb::platform
