// The registry as the library sees it on POSIX: the ".reg" file named by
// MVDB_REGISTRY, or no key at all.
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "cli/machine_settings.h"
#include "cli/reg_text.h"

namespace mvdb::cli {

namespace {

std::string LowerPath(std::string path) {
    for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return path;
}

// A key exists when a section names it or a key below it.
std::optional<RegistryValues> FindKey(const std::map<std::string, RegistryValues>& keys,
                                      const std::string& path) {
    const std::string wanted = LowerPath(path);
    if (const auto key = keys.find(wanted); key != keys.end()) return key->second;
    for (const auto& [name, values] : keys) {
        if (name.rfind(wanted + "\\", 0) == 0) return RegistryValues{};
    }
    return std::nullopt;
}

}  // namespace

MachineSettings ReadMachineSettings() {
    MachineSettings settings;
    const char* path = std::getenv("MVDB_REGISTRY");
    if (path == nullptr || *path == '\0') {
        settings.source = "no registry file (MVDB_REGISTRY is not set)";
        return settings;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        settings.source = "no registry file (" + std::string(path) + " cannot be read)";
        return settings;
    }
    settings.source = "the registry file " + std::string(path);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::map<std::string, RegistryValues> keys = ParseRegText(text);
    settings.folder = FindKey(keys, kFolderKeyPath);
    settings.hostMan = FindKey(keys, kHostManKeyPath);
    return settings;
}

}  // namespace mvdb::cli
