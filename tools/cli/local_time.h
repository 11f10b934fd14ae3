// The library's times are 32-bit seconds since 1970-01-01 UTC; people read
// and write them in local time.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mvdb::cli {

// "2024-05-01 18:30:00" in local time; "-" for 0, which marks "never".
std::string FormatLocalTime(int32_t seconds);

// A time given on the command line: seconds since 1970 ("1714588200" or
// "@1714588200"), or a local date "2024-05-01", optionally with the time
// "18:30" or "18:30:00" after a space or a T. Nullopt when it is none of
// these or lies outside the 32-bit range.
std::optional<int32_t> ParseTime(const std::string& text);

}  // namespace mvdb::cli
