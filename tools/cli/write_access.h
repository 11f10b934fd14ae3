// Whether the tool can really change the database files: the library keeps
// working in memory when it cannot write them, so a change would seem to
// succeed while nothing reaches the disk.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace mvdb::cli {

// The first of `files` (or of their folders, or of `folders`) that this
// process cannot write, with the reason; nullopt when all can be written.
// Missing files need only their folder to be writable. Nothing is changed.
std::optional<std::string> WriteAccessProblem(const std::vector<std::string>& files,
                                              const std::vector<std::string>& folders);

}  // namespace mvdb::cli
