// A file layer that records every change it passes to the system's files
// (write, flush, create, rename, remove, folder flush) and can make one of
// them fail, or every write that needs more space from some point on.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "support/substitute_files.h"

namespace mvdb::test {

struct FileOp {
    enum class Kind { kCreate, kWrite, kSync, kRename, kRemove, kSyncFolder };
    Kind kind;
    std::string path;
    std::string to;  // kRename
    uint64_t offset = 0;
    std::string bytes;  // kWrite
};

enum class Fault { kNone, kIoError, kDiskFull };

class RecordingFiles : public ForwardingFiles {
public:
    std::unique_ptr<platform::File> OpenAlways(const std::string& path) override;
    std::unique_ptr<platform::File> OpenBuffered(const std::string& path) override;
    std::unique_ptr<platform::File> OpenExclusive(const std::string& path) override;
    bool RemoveFile(const std::string& path) override;
    bool RenameFile(const std::string& from, const std::string& to) override;
    bool SyncFolder(const std::string& folder) override;

    // The recorded operations so far.
    std::vector<FileOp> Ops();
    size_t OpCount();

    // Fails the change operation numbered `at` (counted from now): with
    // kIoError that one alone, with kDiskFull it and every later write
    // that grows a file, and every later create.
    void InjectFault(Fault fault, size_t at);
    void ClearFault();

    // Called by the recording files.
    bool Begin(const FileOp& op, bool grows);
    void Record(FileOp op);

private:
    std::unique_ptr<platform::File> Wrap(const std::string& path, std::unique_ptr<platform::File> file,
                                         bool existed);

    std::mutex lock_;
    std::vector<FileOp> ops_;
    Fault fault_ = Fault::kNone;
    size_t counted_ = 0;
    size_t failAt_ = 0;
};

// The system's files without flushes: for the checks that only read what a
// crash left, where waiting for the disk would only cost time.
class UnflushedFiles : public ForwardingFiles {
public:
    std::unique_ptr<platform::File> OpenAlways(const std::string& path) override;
    std::unique_ptr<platform::File> OpenBuffered(const std::string& path) override;
    std::unique_ptr<platform::File> OpenExclusive(const std::string& path) override;
    bool SyncFolder(const std::string&) override { return true; }
};

}  // namespace mvdb::test
