// Where the catalogues live: the Folder key of the machine registry, with
// fallbacks to a Data folder beside the host program's executable.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace mvdb {

inline constexpr char kFolderKey[] = "Software\\Tarnwick\\Marovale\\Folder";
inline constexpr char kHostManKey[] = "Software\\Tarnwick\\Marovale\\HostMan";
inline constexpr int32_t kDefaultChannelCount = 20;

// The default data folder's location of a catalogue file.
std::string DefaultDataFile(const std::string& fileName);
// The default data folder's Info subfolder (no trailing separator).
std::string DefaultInfoFolder();

// Resolves one catalogue file from its registry value. `path` holds the
// bare file name on entry and keeps it when the Folder key is missing (-1);
// otherwise it becomes the value's text or the default data file (0).
int32_t ResolveCataloguePath(const char* valueName, std::string* path);

struct MediaLocations {
    std::string filePath;    // bare name on entry
    std::string infoFolder;  // empty on entry
    int32_t channelCount = kDefaultChannelCount;
};

// The media store's file, info folder and default channel count; the
// fallback folders are created at once.
int32_t ResolveMediaLocations(MediaLocations* locations, const platform::CodePage& codePage);

}  // namespace mvdb
