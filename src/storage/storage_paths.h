// Where the catalogues live: the Folder key of the machine registry, with
// fallbacks to a Data folder beside the host program's executable. The
// rules are format/configuration.h; this opens the keys and creates the
// fallback folders.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "format/configuration.h"
#include "platform/platform.h"

namespace mvdb {

using format::kDefaultChannelCount;
using format::kFolderKey;
using format::kHostManKey;

// A key of the machine registry as the configuration rules read it; null
// when the key cannot be opened.
std::unique_ptr<format::ConfigKey> OpenConfigKey(const char* subkey);

// The default data folder beside the running executable.
std::string DefaultDataFolder();

// Resolves one catalogue file from its registry value. `path` holds the
// bare file name on entry and keeps it when the Folder key is missing (-1);
// otherwise it becomes the value's text or the default data file (0).
int32_t ResolveCataloguePath(const format::CatalogueFormat& catalogue, std::string* path);

struct MediaLocations {
    std::string filePath;    // bare name on entry
    std::string infoFolder;  // empty on entry
    int32_t channelCount = kDefaultChannelCount;
};

// The media store's file, info folder and default channel count; the
// fallback folders are created at once.
int32_t ResolveMediaLocations(MediaLocations* locations, const platform::CodePage& codePage);

}  // namespace mvdb
