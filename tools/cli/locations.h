// Where the database lives, worked out from the registry by the library's
// own rules, so that the tool can name the files and read them itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/machine_settings.h"
#include "format/configuration.h"

namespace mvdb::cli {

struct DatabaseLocations {
    std::string categoryFile;
    std::string mediaFile;
    std::string clientFile;
    std::string infoFolder;  // empty: the current folder
    // The server's host name; empty without the HostMan key, "Unknown" when
    // the key has no readable HostName value.
    std::string hostName;
    int32_t defaultChannels = format::kDefaultChannelCount;
    std::string origin;  // how these were found, for people
};

// Without the Folder key: the bare file names in the current folder. With
// it: each value, or the Data folder beside `executable` for a value that
// is missing or does not fit 259 bytes.
DatabaseLocations ResolveLocations(const MachineSettings& settings,
                                   const std::optional<std::string>& executable);

// The settings that put the three files and the info folder into `folder`
// (an absolute path), keeping the caller's DefaultChannels value and
// HostMan key.
MachineSettings DataFolderSettings(const std::string& folder, const MachineSettings& own);

// The running program's path, when it fits 259 bytes, as the library
// takes it.
std::optional<std::string> ExecutablePath();

}  // namespace mvdb::cli
