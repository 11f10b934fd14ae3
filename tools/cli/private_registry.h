// --data-dir on POSIX: a registry file of the tool's own that points the
// library at a folder, named by MVDB_REGISTRY while the tool runs. Removed,
// and the caller's MVDB_REGISTRY restored, when the object goes.
#pragma once

#include <optional>
#include <string>

#include "cli/machine_settings.h"

namespace mvdb::cli {

class PrivateRegistry {
public:
    // Writes the settings into a fresh file in the temporary folder; throws
    // std::runtime_error when that fails.
    explicit PrivateRegistry(const MachineSettings& settings);
    ~PrivateRegistry();
    PrivateRegistry(const PrivateRegistry&) = delete;
    PrivateRegistry& operator=(const PrivateRegistry&) = delete;

private:
    std::string path_;
    std::optional<std::string> saved_;
};

}  // namespace mvdb::cli
