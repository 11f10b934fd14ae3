// The machine registry, read with the same access as the library's.
#include <windows.h>

#include <initializer_list>

#include "cli/machine_settings.h"

namespace mvdb::cli {

namespace {

// Reads the named values of one key; nullopt when the key does not open.
std::optional<RegistryValues> ReadKey(const char* path, std::initializer_list<const char*> strings,
                                      std::initializer_list<const char*> dwords) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    RegistryValues values;
    for (const char* name : strings) {
        char buffer[1024] = {};
        DWORD type = 0;
        DWORD size = sizeof buffer - 1;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
                ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            values[name] = std::string(buffer);
        }
    }
    for (const char* name : dwords) {
        DWORD value = 0;
        DWORD type = 0;
        DWORD size = sizeof value;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                ERROR_SUCCESS &&
            type == REG_DWORD) {
            values[name] = static_cast<uint32_t>(value);
        }
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
        ReadKey(kFolderKeyPath, {"DBCATEGORY", "DBMEDIA", "DBHOST", "DBINFODIR"}, {"DefaultChannels"});
    settings.hostMan = ReadKey(kHostManKeyPath, {"HostName"}, {});
    return settings;
}

}  // namespace mvdb::cli
