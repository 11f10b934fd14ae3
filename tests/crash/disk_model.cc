#include "crash/disk_model.h"

#include <set>

#include "platform/platform.h"

namespace mvdb::test {

namespace {

constexpr size_t kSector = 512;

struct Inode {
    std::string durable;
    std::string current;
    std::vector<size_t> pending;  // writes since the last flush
};

void Apply(std::string& content, uint64_t offset, const std::string& bytes) {
    if (content.size() < offset + bytes.size()) content.resize(offset + bytes.size(), '\0');
    content.replace(offset, bytes.size(), bytes);
}

}  // namespace

DiskState StateAt(const std::vector<FileOp>& ops, size_t boundary, CrashKind kind, std::mt19937& random) {
    std::vector<Inode> inodes;
    std::map<std::string, size_t> names;    // as the process sees them
    std::map<std::string, size_t> durable;  // as a flushed folder holds them
    for (size_t i = 0; i < boundary && i < ops.size(); ++i) {
        const FileOp& op = ops[i];
        switch (op.kind) {
            case FileOp::Kind::kCreate:
                inodes.push_back({});
                names[op.path] = inodes.size() - 1;
                break;
            case FileOp::Kind::kWrite: {
                Inode& inode = inodes[names.at(op.path)];
                Apply(inode.current, op.offset, op.bytes);
                inode.pending.push_back(i);
                break;
            }
            case FileOp::Kind::kSync: {
                Inode& inode = inodes[names.at(op.path)];
                inode.durable = inode.current;
                inode.pending.clear();
                break;
            }
            case FileOp::Kind::kRename:
                names[op.to] = names.at(op.path);
                names.erase(op.path);
                break;
            case FileOp::Kind::kRemove:
                names.erase(op.path);
                break;
            case FileOp::Kind::kSyncFolder:
                for (auto it = durable.begin(); it != durable.end();) {
                    it = platform::FolderOf(it->first) == op.path ? durable.erase(it) : std::next(it);
                }
                for (const auto& [name, inode] : names) {
                    if (platform::FolderOf(name) == op.path) durable[name] = inode;
                }
                break;
        }
    }

    DiskState state;
    if (kind == CrashKind::kKill) {
        for (const auto& [name, inode] : names) state[name] = inodes[inode].current;
        return state;
    }
    const size_t last = boundary == 0 ? SIZE_MAX : boundary - 1;
    for (const auto& [name, index] : durable) {
        const Inode& inode = inodes[index];
        std::string content = inode.durable;
        if (kind == CrashKind::kTornCut) {
            for (size_t w : inode.pending) {
                const FileOp& op = ops[w];
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
