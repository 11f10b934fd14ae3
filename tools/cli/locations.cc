#include "cli/locations.h"

#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace mvdb::cli {

namespace {

// The library reads registry paths into buffers of this size, NUL included.
constexpr size_t kPathBuffer = 260;
constexpr size_t kHostNameBuffer = 64;

#if defined(_WIN32)
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

std::string DataFolder(const std::optional<std::string>& executable) {
    const std::string data = std::string("Data") + kSeparator;
    if (!executable) return data;
    const size_t end = executable->find_last_of(kSeparator == '\\' ? "\\/:" : "/");
    return end == std::string::npos ? data : executable->substr(0, end + 1) + data;
}

std::string ValueOr(const RegistryValues& values, const char* name, const std::string& fallback) {
    const std::optional<std::string> value = StringValue(values, name);
    return value && value->size() < kPathBuffer ? *value : fallback;
}

}  // namespace

DatabaseLocations ResolveLocations(const MachineSettings& settings,
                                   const std::optional<std::string>& executable) {
    DatabaseLocations locations;
    if (!settings.folder) {
        locations.categoryFile = "MVDBCAT.db";
        locations.mediaFile = "MVDBMF.db";
        locations.clientFile = "MVDBCLT.db";
        locations.origin =
            settings.source + ", without the Folder key: bare file names in the current folder";
    } else {
        const std::string data = DataFolder(executable);
        locations.categoryFile = ValueOr(*settings.folder, "DBCATEGORY", data + "MVDBCAT.db");
        locations.mediaFile = ValueOr(*settings.folder, "DBMEDIA", data + "MVDBMF.db");
        locations.clientFile = ValueOr(*settings.folder, "DBHOST", data + "MVDBCLT.db");
        locations.infoFolder = ValueOr(*settings.folder, "DBINFODIR", data + "Info");
        if (std::optional<uint32_t> channels = DwordValue(*settings.folder, "DefaultChannels")) {
            locations.defaultChannels = static_cast<int32_t>(*channels);
        }
        locations.origin = settings.source;
    }
    if (settings.hostMan) {
        const std::optional<std::string> host = StringValue(*settings.hostMan, "HostName");
        locations.hostName = host && host->size() < kHostNameBuffer ? *host : "Unknown";
    }
    return locations;
}

MachineSettings DataFolderSettings(const std::string& folder, const MachineSettings& own) {
    const std::filesystem::path base(folder);
    RegistryValues values = {{"DBCATEGORY", (base / "MVDBCAT.db").string()},
                             {"DBMEDIA", (base / "MVDBMF.db").string()},
                             {"DBHOST", (base / "MVDBCLT.db").string()},
                             {"DBINFODIR", (base / "Info").string()}};
    if (own.folder) {
        if (std::optional<uint32_t> channels = DwordValue(*own.folder, "DefaultChannels")) {
            values["DefaultChannels"] = *channels;
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
