#include "cli/locations.h"

#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace mvdb::cli {

namespace {

// The running program's path is taken as the library takes it.
constexpr size_t kPathBuffer = format::kPathBufferBytes;

#if defined(_WIN32)
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// The drive and directory of the executable, as the library splits it.
std::string ExecutableFolder(const std::optional<std::string>& executable) {
    if (!executable) return std::string();
    const size_t end = executable->find_last_of(kSeparator == '\\' ? "\\/:" : "/");
    return end == std::string::npos ? std::string() : executable->substr(0, end + 1);
}

}  // namespace

DatabaseLocations ResolveLocations(const MachineSettings& settings,
                                   const std::optional<std::string>& executable) {
    std::optional<ValuesKey> folder;
    std::optional<ValuesKey> hostMan;
    if (settings.folder) folder.emplace(*settings.folder);
    if (settings.hostMan) hostMan.emplace(*settings.hostMan);
    const format::Locations resolved =
        format::ResolveLocations(folder ? &*folder : nullptr, hostMan ? &*hostMan : nullptr,
                                 format::DataFolder(ExecutableFolder(executable), kSeparator));
    DatabaseLocations locations;
    locations.categoryFile = resolved.categoryFile;
    locations.mediaFile = resolved.mediaFile;
    locations.clientFile = resolved.clientFile;
    locations.infoFolder = resolved.infoFolder;
    locations.hostName = resolved.hostName;
    locations.defaultChannels = resolved.channelCount;
    locations.origin =
        settings.folder ? settings.source
                        : settings.source + ", without the Folder key: bare file names in the current folder";
    return locations;
}

MachineSettings DataFolderSettings(const std::string& folder, const MachineSettings& own) {
    const std::filesystem::path base(folder);
    RegistryValues values;
    for (const format::CatalogueFormat& catalogue : format::kCatalogueFormats) {
        values[catalogue.registryValue] = (base / catalogue.fileName).string();
    }
    values[format::kInfoFolderValue] = (base / format::kInfoFolderName).string();
    if (own.folder) {
        if (std::optional<int32_t> channels = ValuesKey(*own.folder).ReadDword(format::kChannelCountValue)) {
            values[format::kChannelCountValue] = static_cast<uint32_t>(*channels);
        }
    }
    return {values, own.hostMan, "--data-dir " + folder};
}

std::optional<std::string> ExecutablePath() {
    char buffer[kPathBuffer] = {};
#if defined(_WIN32)
    const DWORD n = GetModuleFileNameA(nullptr, buffer, kPathBuffer - 1);
    if (n == 0 || n >= kPathBuffer - 1) return std::nullopt;
#else
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer) return std::nullopt;
#endif
    return std::string(buffer, static_cast<size_t>(n));
}

}  // namespace mvdb::cli
