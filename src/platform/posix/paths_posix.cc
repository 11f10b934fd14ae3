// Paths, folders and time on POSIX systems.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "platform/platform.h"

namespace mvdb::platform {

const char kPathSeparator = '/';

std::optional<std::string> ExecutablePath() {
    char buffer[260];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer) return std::nullopt;
    return std::string(buffer, static_cast<size_t>(n));
}

SplitPathResult SplitPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return {std::string(), path.substr(0, slash + 1)};
}

bool IsCreatablePath(const std::string& path) {
    // An absolute path below the root; the root alone is refused.
    return path.size() >= 2 && path[0] == '/' && path[1] != '/';
}

bool PathExists(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirectory(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

std::vector<std::string> ListFiles(const std::string& folder) {
    std::vector<std::string> names;
    const std::string base = folder.empty() ? std::string(".") : folder;
    DIR* dir = ::opendir(base.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (!IsDirectory(base + "/" + name)) names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

int32_t CurrentTime() { return static_cast<int32_t>(std::time(nullptr)); }

}  // namespace mvdb::platform
