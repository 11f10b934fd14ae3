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

// The disk after the first done() operations of `ops` on an empty disk.
// Walking the boundaries in order costs one pass over the operations, not
// one pass per boundary.
class DiskModel {
public:
    // `ops` must outlive the model.
    explicit DiskModel(const std::vector<FileOp>& ops) : ops_(ops) {}

    size_t done() const { return done_; }
    // Applies the next operation; false when there is none.
    bool Advance();
    // What the crash at this boundary leaves.
    DiskState State(CrashKind kind, std::mt19937& random) const;

private:
    struct Inode {
        std::string durable;
        std::string current;
        std::vector<size_t> pending;  // writes since the last flush
    };

    const std::vector<FileOp>& ops_;
    size_t done_ = 0;
    std::vector<Inode> inodes_;
    std::map<std::string, size_t> names_;    // as the process sees them
    std::map<std::string, size_t> durable_;  // as a flushed folder holds them
};

}  // namespace mvdb::test
