// Which code page the strings of the database files are in on POSIX, where
// no run-time library says so: MVDB_CODEPAGE when it names 932 or 1252,
// else 932 for a Japanese locale (the first set of LC_ALL, LC_CTYPE, LANG
// beginning with "ja"), else 1252. On Windows the run-time library's
// multibyte code page decides.
#pragma once

#include <functional>

namespace mvdb::format {

inline constexpr int kJapaneseCodePage = 932;
inline constexpr int kWesternCodePage = 1252;

// `environment` returns a variable's value or null.
int ConfiguredCodePage(const std::function<const char*(const char*)>& environment);

}  // namespace mvdb::format
