// The ".reg" text (format/reg_text.h) as the tool's registry values: read
// to learn what the library will see, written to point the library at a
// folder of the caller's choice.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "cli/machine_settings.h"
#include "format/reg_text.h"

namespace mvdb::cli {

using format::kRegHeader;

// The values of a key of a parsed file: texts, dwords and the rest as
// stored; nullopt when the key does not exist (no section names it or a
// key below it).
std::optional<RegistryValues> KeyValues(const format::RegText& reg, const std::string& path);

// The keys below HKEY_LOCAL_MACHINE (paths in lower case) with their values.
// A text without the header line holds no key; lines that do not parse are
// skipped. `toCodePage` converts the texts of a UTF-16 file.
std::map<std::string, RegistryValues> ParseRegText(const std::string& text,
                                                   const format::ToCodePage& toCodePage = {});

// The Folder key and, when given, the HostMan key as ".reg" text.
std::string WriteRegText(const RegistryValues& folder, const std::optional<RegistryValues>& hostMan);

}  // namespace mvdb::cli
