#include "crash/disk_model.h"

#include <set>

#include "platform/platform.h"

namespace mvdb::test {

namespace {

constexpr size_t kSector = 512;

void Apply(std::string& content, uint64_t offset, const std::string& bytes) {
    if (content.size() < offset + bytes.size()) content.resize(offset + bytes.size(), '\0');
    content.replace(offset, bytes.size(), bytes);
}

}  // namespace

bool DiskModel::Advance() {
    if (done_ >= ops_.size()) return false;
    const size_t i = done_++;
    const FileOp& op = ops_[i];
    switch (op.kind) {
        case FileOp::Kind::kCreate:
            inodes_.push_back({});
            names_[op.path] = inodes_.size() - 1;
            break;
        case FileOp::Kind::kWrite: {
            Inode& inode = inodes_[names_.at(op.path)];
            Apply(inode.current, op.offset, op.bytes);
            inode.pending.push_back(i);
            break;
        }
        case FileOp::Kind::kSync: {
            Inode& inode = inodes_[names_.at(op.path)];
            inode.durable = inode.current;
            inode.pending.clear();
            break;
        }
        case FileOp::Kind::kRename:
            names_[op.to] = names_.at(op.path);
            names_.erase(op.path);
            break;
        case FileOp::Kind::kRemove:
            names_.erase(op.path);
            break;
        case FileOp::Kind::kSyncFolder:
            for (auto it = durable_.begin(); it != durable_.end();) {
                it = platform::FolderOf(it->first) == op.path ? durable_.erase(it) : std::next(it);
            }
            for (const auto& [name, inode] : names_) {
                if (platform::FolderOf(name) == op.path) durable_[name] = inode;
            }
            break;
    }
    return true;
}

DiskState DiskModel::State(CrashKind kind, std::mt19937& random) const {
    DiskState state;
    if (kind == CrashKind::kKill) {
        for (const auto& [name, inode] : names_) state[name] = inodes_[inode].current;
        return state;
    }
    const size_t last = done_ == 0 ? SIZE_MAX : done_ - 1;
    for (const auto& [name, index] : durable_) {
        const Inode& inode = inodes_[index];
        std::string content = inode.durable;
        if (kind == CrashKind::kTornCut) {
            for (size_t w : inode.pending) {
                const FileOp& op = ops_[w];
                if (w == last && op.bytes.size() > kSector) {
                    // Cut at a sector: only a leading part reached the disk.
                    const size_t sectors = (op.bytes.size() + kSector - 1) / kSector;
                    const size_t kept = std::uniform_int_distribution<size_t>(0, sectors - 1)(random);
                    Apply(content, op.offset, op.bytes.substr(0, kept * kSector));
                } else if (random() % 2 == 0) {
                    // This one reached the disk, earlier or later ones may not have.
                    Apply(content, op.offset, op.bytes);
                }
            }
        }
        state[name] = content;
    }
    return state;
}

}  // namespace mvdb::test
