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

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeDirectory(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != 0; }

std::vector<std::string> ListFiles(const std::string& folder) {
    std::vector<std::string> names;
    const std::string pattern = folder.empty() ? std::string("*") : folder + "\\*";
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        // "." and ".." are folders too.
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.emplace_back(entry.cFileName);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

int32_t CurrentTime() { return static_cast<int32_t>(std::time(nullptr)); }

}  // namespace mvdb::platform
