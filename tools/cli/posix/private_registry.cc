#include "cli/private_registry.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "cli/reg_text.h"

namespace mvdb::cli {

PrivateRegistry::PrivateRegistry(const MachineSettings& settings) {
    std::string pattern = (std::filesystem::temp_directory_path() / "mvdb-registry-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw std::runtime_error("cannot create a registry file: " + std::string(std::strerror(errno)));
    path_ = pattern;
    const std::string text = WriteRegText(settings.folder.value_or(RegistryValues{}), settings.hostMan);
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    if (!written) {
        ::unlink(path_.c_str());
        throw std::runtime_error("cannot write the registry file " + path_);
    }
    if (const char* own = std::getenv("MVDB_REGISTRY")) saved_ = own;
    ::setenv("MVDB_REGISTRY", path_.c_str(), 1);
}

PrivateRegistry::~PrivateRegistry() {
    if (saved_) {
        ::setenv("MVDB_REGISTRY", saved_->c_str(), 1);
    } else {
        ::unsetenv("MVDB_REGISTRY");
    }
    ::unlink(path_.c_str());
}

}  // namespace mvdb::cli
