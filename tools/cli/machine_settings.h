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

#include "format/configuration.h"
#include "format/reg_text.h"

namespace mvdb::cli {

// A text, a 4-byte integer (REG_DWORD), or any other value as stored.
using RegistryValue = std::variant<std::string, uint32_t, format::RegValue>;
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

// A stored value as the tool keeps it: a text with its NUL as a string,
// a 4-byte REG_DWORD as a number, anything else as stored.
RegistryValue ToRegistryValue(const format::RegValue& value);

// One key's values read with the library's rules (buffer sizes, types).
class ValuesKey final : public format::ConfigKey {
public:
    explicit ValuesKey(const RegistryValues& values) : values_(values) {}
    std::optional<std::string> ReadString(const std::string& name, size_t bufferBytes) override;
    std::optional<int32_t> ReadDword(const std::string& name) override;

private:
    const RegistryValue* Find(const std::string& name) const;
    const RegistryValues& values_;
};

inline constexpr const char (&kFolderKeyPath)[sizeof format::kFolderKey] = format::kFolderKey;
inline constexpr const char (&kHostManKeyPath)[sizeof format::kHostManKey] = format::kHostManKey;

}  // namespace mvdb::cli
