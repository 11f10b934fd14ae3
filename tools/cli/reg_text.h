// The text of a ".reg" file, the stand-in for the machine registry on
// POSIX: read to learn what the library will see, written to point the
// library at a folder of the caller's choice.
#pragma once

#include <map>
#include <string>

#include "cli/machine_settings.h"

namespace mvdb::cli {

inline constexpr char kRegHeader[] = "Windows Registry Editor Version 5.00";

// The keys below HKEY_LOCAL_MACHINE (paths in lower case) with their string
// and dword values. A text without the header line holds no key; lines
// that do not parse are skipped.
std::map<std::string, RegistryValues> ParseRegText(const std::string& text);

// The Folder key and, when given, the HostMan key as ".reg" text.
std::string WriteRegText(const RegistryValues& folder, const std::optional<RegistryValues>& hostMan);

}  // namespace mvdb::cli
