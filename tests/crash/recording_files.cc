#include "crash/recording_files.h"

namespace mvdb::test {

namespace {

class RecordingFile final : public platform::File {
public:
    RecordingFile(RecordingFiles& owner, std::string path, std::unique_ptr<platform::File> inner)
        : owner_(owner), path_(std::move(path)), inner_(std::move(inner)) {}

    int64_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
        return inner_->ReadAt(offset, buffer, n);
    }

    int64_t WriteAt(uint64_t offset, const void* data, size_t n) override {
        FileOp op{FileOp::Kind::kWrite, path_, {}, offset, std::string(static_cast<const char*>(data), n)};
        const int64_t size = inner_->Size();
        if (!owner_.Begin(op, size < 0 || offset + n > static_cast<uint64_t>(size))) return -1;
        const int64_t written = inner_->WriteAt(offset, data, n);
        if (written == static_cast<int64_t>(n)) owner_.Record(std::move(op));
        return written;
    }

    int64_t Size() override { return inner_->Size(); }

    bool Sync() override {
        FileOp op{FileOp::Kind::kSync, path_, {}, 0, {}};
        // Recorded, not done: the disk model says what a flush kept.
        if (!owner_.Begin(op, false)) return false;
        owner_.Record(std::move(op));
        return true;
    }

private:
    RecordingFiles& owner_;
    std::string path_;
    std::unique_ptr<platform::File> inner_;
};

class UnflushedFile final : public platform::File {
public:
    explicit UnflushedFile(std::unique_ptr<platform::File> inner) : inner_(std::move(inner)) {}
    int64_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
        return inner_->ReadAt(offset, buffer, n);
    }
    int64_t WriteAt(uint64_t offset, const void* data, size_t n) override {
        return inner_->WriteAt(offset, data, n);
    }
    int64_t Size() override { return inner_->Size(); }
    bool Sync() override { return true; }

private:
    std::unique_ptr<platform::File> inner_;
};

std::unique_ptr<platform::File> Unflushed(std::unique_ptr<platform::File> file) {
    if (!file) return nullptr;
    return std::make_unique<UnflushedFile>(std::move(file));
}

}  // namespace

std::unique_ptr<platform::File> UnflushedFiles::OpenAlways(const std::string& path) {
    return Unflushed(platform::SystemFiles().OpenBuffered(path));
}
std::unique_ptr<platform::File> UnflushedFiles::OpenBuffered(const std::string& path) {
    return Unflushed(platform::SystemFiles().OpenBuffered(path));
}
std::unique_ptr<platform::File> UnflushedFiles::OpenExclusive(const std::string& path) {
    return Unflushed(platform::SystemFiles().OpenExclusive(path));
}

std::unique_ptr<platform::File> RecordingFiles::Wrap(const std::string& path,
                                                     std::unique_ptr<platform::File> file, bool existed) {
    if (!file) return nullptr;
    if (!existed) Record({FileOp::Kind::kCreate, path, {}, 0, {}});
    return std::make_unique<RecordingFile>(*this, path, std::move(file));
}

std::unique_ptr<platform::File> RecordingFiles::OpenAlways(const std::string& path) {
    const bool existed = platform::SystemFiles().PathExists(path);
    if (!existed && !Begin({FileOp::Kind::kCreate, path, {}, 0, {}}, true)) return nullptr;
    return Wrap(path, ForwardingFiles::OpenAlways(path), existed);
}

std::unique_ptr<platform::File> RecordingFiles::OpenBuffered(const std::string& path) {
    const bool existed = platform::SystemFiles().PathExists(path);
    if (!existed && !Begin({FileOp::Kind::kCreate, path, {}, 0, {}}, true)) return nullptr;
    return Wrap(path, ForwardingFiles::OpenBuffered(path), existed);
}

std::unique_ptr<platform::File> RecordingFiles::OpenExclusive(const std::string& path) {
    const bool existed = platform::SystemFiles().PathExists(path);
    if (!existed && !Begin({FileOp::Kind::kCreate, path, {}, 0, {}}, true)) return nullptr;
    return Wrap(path, ForwardingFiles::OpenExclusive(path), existed);
}

bool RecordingFiles::RemoveFile(const std::string& path) {
    FileOp op{FileOp::Kind::kRemove, path, {}, 0, {}};
    if (!platform::SystemFiles().PathExists(path)) return false;
    if (!Begin(op, false)) return false;
    const bool ok = ForwardingFiles::RemoveFile(path);
    if (ok) Record(std::move(op));
    return ok;
}

bool RecordingFiles::RenameFile(const std::string& from, const std::string& to) {
    FileOp op{FileOp::Kind::kRename, from, to, 0, {}};
    if (!Begin(op, false)) return false;
    const bool ok = ForwardingFiles::RenameFile(from, to);
    if (ok) Record(std::move(op));
    return ok;
}

bool RecordingFiles::SyncFolder(const std::string& folder) {
    FileOp op{FileOp::Kind::kSyncFolder, folder, {}, 0, {}};
    if (!Begin(op, false)) return false;
    Record(std::move(op));
    return true;
}

std::vector<FileOp> RecordingFiles::Ops() {
    std::lock_guard<std::mutex> guard(lock_);
    return ops_;
}

size_t RecordingFiles::OpCount() {
    std::lock_guard<std::mutex> guard(lock_);
    return ops_.size();
}

void RecordingFiles::InjectFault(Fault fault, size_t at) {
    std::lock_guard<std::mutex> guard(lock_);
    fault_ = fault;
    counted_ = 0;
    failAt_ = at;
}

void RecordingFiles::ClearFault() {
    std::lock_guard<std::mutex> guard(lock_);
    fault_ = Fault::kNone;
}

bool RecordingFiles::Begin(const FileOp& op, bool grows) {
    std::lock_guard<std::mutex> guard(lock_);
    if (fault_ == Fault::kNone) return true;
    const size_t number = counted_++;
    if (fault_ == Fault::kIoError) return number != failAt_;
    // A full disk refuses what needs space, and only that.
    const bool needsSpace = grows || op.kind == FileOp::Kind::kCreate;
    return number < failAt_ || !needsSpace;
}

void RecordingFiles::Record(FileOp op) {
    std::lock_guard<std::mutex> guard(lock_);
    ops_.push_back(std::move(op));
}

}  // namespace mvdb::test
