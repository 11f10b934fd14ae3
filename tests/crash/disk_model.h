// What a disk holds after a crash, worked out from the recorded operations:
// a file's data is certain only up to its last flush, a folder's entries
// only up to the folder's last flush; anything later may be there or not.
#pragma once

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "crash/recording_files.h"

namespace mvdb::test {

// Path -> content.
using DiskState = std::map<std::string, std::string>;

enum class CrashKind {
    kKill,      // the process dies: everything written is there
    kPowerCut,  // only what was flushed is there
    kTornCut,   // flushed data, a random part of the rest, the last write cut at a sector
};

// The state after the first `boundary` operations of `ops` on an empty
// disk, as the crash leaves it.
DiskState StateAt(const std::vector<FileOp>& ops, size_t boundary, CrashKind kind, std::mt19937& random);

}  // namespace mvdb::test
