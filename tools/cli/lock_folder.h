// The folder of the lock files through which programs on POSIX keep the
// database to one of them at a time, found as the library finds it.
#pragma once

#include <optional>
#include <string>

namespace mvdb::cli {

// Why the lock folder cannot be used (it cannot be created, or no file can
// be made in it), naming the folder; nullopt when it can, and on Windows,
// which uses named mutexes instead.
std::optional<std::string> LockFolderProblem();

}  // namespace mvdb::cli
