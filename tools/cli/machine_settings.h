// The two registry keys that say where the database lives and which host
// this is: HKEY_LOCAL_MACHINE\Software\Tarnwick\Marovale\Folder and
// ...\HostMan. Read from the registry on Windows, and from the ".reg" file
// named by MVDB_REGISTRY on POSIX, as the library reads them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>

namespace mvdb::cli {

using RegistryValue = std::variant<std::string, uint32_t>;
// Value names as written; looked up without regard to case.
using RegistryValues = std::map<std::string, RegistryValue>;

struct MachineSettings {
    std::optional<RegistryValues> folder;   // nullopt: the key does not exist
    std::optional<RegistryValues> hostMan;  // nullopt: the key does not exist
    std::string source;                     // where they were read, for people
};

MachineSettings ReadMachineSettings();

// A value of a key, by name in any case, when it has that type.
std::optional<std::string> StringValue(const RegistryValues& values, const std::string& name);
std::optional<uint32_t> DwordValue(const RegistryValues& values, const std::string& name);

inline constexpr char kFolderKeyPath[] = "Software\\Tarnwick\\Marovale\\Folder";
inline constexpr char kHostManKeyPath[] = "Software\\Tarnwick\\Marovale\\HostMan";

}  // namespace mvdb::cli
