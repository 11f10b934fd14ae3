// Text conversion between UTF-8 and the database's code pages on POSIX.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mvdb::platform {

// UTF-8 text in code page 932 or 1252; nullopt when the text is not UTF-8
// or a character has no form in the code page (no best-fit replacement).
std::optional<std::string> Utf8ToCodePage(std::string_view utf8, int codePage);

}  // namespace mvdb::platform
