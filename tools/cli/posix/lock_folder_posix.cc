#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "cli/lock_folder.h"

namespace mvdb::cli {

namespace {

// $MVDB_LOCK_DIR, else $XDG_RUNTIME_DIR/mvdb, else /tmp/mvdb-<uid>: the
// library's order.
std::string LockFolder() {
    if (const char* dir = std::getenv("MVDB_LOCK_DIR"); dir != nullptr && *dir != '\0') return dir;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/mvdb";
    }
    return "/tmp/mvdb-" + std::to_string(::getuid());
}

}  // namespace

std::optional<std::string> LockFolderProblem() {
    const std::string folder = LockFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return "the lock folder " + folder + " cannot be created: " + error.message();
    const std::string probe = folder + "/.mvdb-probe-" + std::to_string(::getpid());
    const int fd = ::open(probe.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return "no lock file can be made in the lock folder " + folder + ": " + std::strerror(errno);
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return std::nullopt;
}

}  // namespace mvdb::cli
