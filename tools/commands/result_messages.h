// The library answers with result codes; people get sentences. These name
// what a code means for the thing the command was about, asking the
// library where the code alone does not tell (a missing category or a
// deleted one, which of the category's rules refused).
#pragma once

#include <cstdint>
#include <string>

#include "mvdb.h"

namespace mvdb::cli {

// "category 7 does not exist" or "category 7 is deleted", or empty when
// the category is live.
std::string CategoryAbsence(MVDB_HANDLE db, int32_t id);
// "media item 12 does not exist" or "media item 12 is deleted", or empty.
std::string MediaAbsence(MVDB_HANDLE db, int32_t index);

// What the code means when no command-specific reading applies.
std::string ResultText(int32_t result);

// Throws ToolError (exit status 1) with the message.
[[noreturn]] void Refuse(const std::string& message);

}  // namespace mvdb::cli
