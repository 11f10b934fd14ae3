// Where the catalogues live and which host this is, worked out from the
// machine configuration (the registry on Windows, a ".reg" file on POSIX).
// The library and the tool both resolve locations with these functions, so
// they always name the same files.
//
// The Folder key holds the full paths of the three files ("DBCATEGORY",
// "DBHOST", "DBMEDIA"), the info folder ("DBINFODIR") and the number of
// tuner channels seeded into a new media file ("DefaultChannels"). Without
// the key every file is its bare name in the current folder and the info
// folder is empty; with it, a value that cannot be read gives the default
// data folder: "Data" beside the host program's executable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "format/container.h"

namespace mvdb::format {

inline constexpr char kFolderKey[] = "Software\\Tarnwick\\Marovale\\Folder";
inline constexpr char kHostManKey[] = "Software\\Tarnwick\\Marovale\\HostMan";
inline constexpr char kInfoFolderValue[] = "DBINFODIR";
inline constexpr char kChannelCountValue[] = "DefaultChannels";
inline constexpr char kHostNameValue[] = "HostName";
// The info folder's name inside the data folder when none is configured.
inline constexpr char kInfoFolderName[] = "Info";

// String values are read into buffers of this many bytes, NUL included: a
// longer path does not fit and the default is used instead.
inline constexpr size_t kPathBufferBytes = 260;
// The host name is read with this limit, NUL included: at most 62
// characters. A longer value counts as unreadable.
inline constexpr size_t kHostNameQueryBytes = 63;
inline constexpr char kUnknownHostName[] = "Unknown";
inline constexpr int32_t kDefaultChannelCount = 20;

// POSIX: the folder of the named mutexes, where a second open of the
// database anywhere on the machine finds the first. The variable names an
// explicit folder (tests use it to run side by side); without it every
// process of the machine, whatever its user or environment, shares one.
inline constexpr char kLockFolderVariable[] = "MVDB_LOCK_DIR";
inline constexpr char kMachineLockFolder[] = "/tmp/mvdb-locks";
// The lock folder, given the variable's value (nullptr when it is unset).
inline std::string LockFolder(const char* variableValue) {
    return variableValue != nullptr && *variableValue != '\0' ? std::string(variableValue)
                                                              : std::string(kMachineLockFolder);
}

// One open key of the configuration.
class ConfigKey {
public:
    virtual ~ConfigKey() = default;
    // The text of a value (any type, up to its first NUL) when its data,
    // NUL included, fits `bufferBytes`; nullopt when missing or too long.
    virtual std::optional<std::string> ReadString(const std::string& name, size_t bufferBytes) = 0;
    // A 4-byte integer value (REG_DWORD); a value of another type is
    // missing, however its bytes read.
    virtual std::optional<int32_t> ReadDword(const std::string& name) = 0;
};

// The default data folder: the executable's folder (its drive and
// directory, ending with a separator, or empty) followed by "Data" and the
// separator.
std::string DataFolder(const std::string& executableFolder, char separator);

struct ResolvedPath {
    std::string path;
    bool isDefault = false;  // the value could not be read
};

// With the Folder key open: a catalogue file's value, or its default file.
ResolvedPath CataloguePath(ConfigKey& folderKey, const CatalogueFormat& catalogue,
                           const std::string& dataFolder);
// With the Folder key open: the info folder's value as read (a trailing
// separator stays), or the data folder's "Info" subfolder.
ResolvedPath InfoFolderPath(ConfigKey& folderKey, const std::string& dataFolder);
// With the Folder key open: the channel count, as read without a range
// check, or 20.
int32_t ChannelCount(ConfigKey& folderKey);

// The host name from the HostMan key, when it can be read.
std::optional<std::string> ReadHostName(ConfigKey& hostManKey);
// The media store's host name: empty without the HostMan key, "Unknown"
// when the key has no readable HostName.
std::string StoreHostName(ConfigKey* hostManKey);

struct Locations {
    std::string categoryFile;
    std::string clientFile;
    std::string mediaFile;
    std::string infoFolder;  // empty without the Folder key
    int32_t channelCount = kDefaultChannelCount;
    std::string hostName;  // as StoreHostName
};

// Everything at once; a null key is a key that does not exist.
Locations ResolveLocations(ConfigKey* folderKey, ConfigKey* hostManKey, const std::string& dataFolder);

}  // namespace mvdb::format
