#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "cli/lock_folder.h"
#include "format/configuration.h"

namespace mvdb::cli {

std::optional<std::string> LockFolderProblem() {
    // The folder the library uses.
    const std::string folder = format::LockFolder(std::getenv(format::kLockFolderVariable));
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
