#include "cli/lock_folder.h"

namespace mvdb::cli {

// Windows keeps the database to one program with named mutexes: no folder.
std::optional<std::string> LockFolderProblem() { return std::nullopt; }

}  // namespace mvdb::cli
