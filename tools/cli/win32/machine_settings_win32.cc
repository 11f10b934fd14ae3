// The machine registry, read with the same access as the library's.
#include <windows.h>

#include <initializer_list>

#include "cli/machine_settings.h"

namespace mvdb::cli {

namespace {

// Reads the named values of one key as stored, with their types; the
// library's rules (format/configuration.h) then judge them. nullopt when the
// key does not open.
std::optional<RegistryValues> ReadKey(const char* path, std::initializer_list<const char*> names) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    RegistryValues values;
    for (const char* name : names) {
        BYTE buffer[1024] = {};
        DWORD type = 0;
        DWORD size = sizeof buffer;
        if (RegQueryValueExA(key, name, nullptr, &type, buffer, &size) != ERROR_SUCCESS) continue;
        values[name] = ToRegistryValue(format::RegValue{type, std::vector<uint8_t>(buffer, buffer + size)});
    }
    RegCloseKey(key);
    return values;
}

}  // namespace

MachineSettings ReadMachineSettings() {
    MachineSettings settings;
    settings.source = "the registry";
    // What the library reads of each key.
    settings.folder =
        ReadKey(kFolderKeyPath,
                {format::kCategoryFormat.registryValue, format::kMediaFormat.registryValue,
                 format::kClientFormat.registryValue, format::kInfoFolderValue, format::kChannelCountValue});
    settings.hostMan = ReadKey(kHostManKeyPath, {format::kHostNameValue});
    return settings;
}

}  // namespace mvdb::cli
