// Whether the library would load a database file as it is, or replace it
// with a fresh one. Commands that only read look before they open, so that
// a listing never causes a reset.
#pragma once

#include <optional>
#include <string>

#include "cli/catalogue_file.h"

namespace mvdb::cli {

// Why opening the database would replace the file at `path` (a wrong magic,
// a cut or damaged account block, a count whose records are not there); no
// answer when the file would load, or is missing or empty (a fresh file then
// loses nothing), or cannot be read here at all.
std::optional<std::string> WhyFileWouldBeReplaced(const std::string& path, Catalogue kind);

}  // namespace mvdb::cli
