// Paths, folders and time on POSIX systems.
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

int32_t CurrentTime() { return static_cast<int32_t>(std::time(nullptr)); }

}  // namespace mvdb::platform
