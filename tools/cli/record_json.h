// Records as JSON, field by field, with texts in UTF-8. The one shape of
// each record for `dump` and the listings alike. Passwords never appear.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/text_codec.h"
#include "format/info_area.h"
#include "mvdb.h"

namespace mvdb::cli {

// The text of a fixed-size field: up to the first NUL or the field's end.
std::string FieldText(const char* field, size_t size);

// The names of the access flag bits that are set, e.g. ["system", "no-addition"].
nlohmann::json CategoryFlagNames(uint32_t accessFlags);

nlohmann::json CategoryJson(const CategoryInfo& info, const TextCodec& codec);
// Users (format::IsUserRecord) carry a "user" object with the
// name behind the prefix, the password length and the level.
nlohmann::json ClientJson(const ClientInfo& info, const TextCodec& codec);
nlohmann::json MediaJson(const MediaInfo& info, const TextCodec& codec);
nlohmann::json InfoAreaJson(const format::InfoArea& area, const TextCodec& codec);

// A hexadecimal word as "0x1061".
std::string Hex(uint32_t value);

// The version of the shapes of the tool's JSON output, given as the key
// "formatVersion" of every top-level object. It goes up when a key changes
// meaning or goes away; new keys may appear without it changing.
inline constexpr int kJsonFormatVersion = 1;

// Prints JSON on standard output, two spaces an indent; texts that are not
// valid UTF-8 have U+FFFD in place of the bad bytes. An object gets the key
// "formatVersion".
void PrintJson(const nlohmann::json& value);

}  // namespace mvdb::cli
