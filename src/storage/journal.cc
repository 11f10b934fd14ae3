#include "storage/journal.h"

#include <map>
#include <set>

#include "platform/platform.h"

namespace mvdb {

namespace {

// The space kept allocated for frames: a commit overwrites it in place, so
// its flush never has to change the file's size.
constexpr uint64_t kJournalSpace = 1 << 20;

// The writes of a replay at open land in files opened for the purpose.
class ReplayFile final : public JournalTarget {
public:
    ReplayFile(format::JournalFile id, std::unique_ptr<platform::File> file)
        : id_(id), file_(std::move(file)) {}
    format::JournalFile JournalId() const override { return id_; }
    bool ApplyWrites(const std::vector<format::FileWrite>& writes) override {
        if (!file_) return false;
        bool ok = true;
        for (const format::FileWrite& w : writes) {
            if (w.file == id_) ok = ApplyWrite(w.offset, w.bytes.data(), w.bytes.size()) && ok;
        }
        return ok;
    }
    bool ApplyWrite(uint64_t offset, const uint8_t* bytes, size_t n) override {
        return file_ && file_->WriteAt(offset, bytes, n) == static_cast<int64_t>(n);
    }
    bool SyncFile() override { return file_ && file_->Sync(); }

private:
    format::JournalFile id_;
    std::unique_ptr<platform::File> file_;
};

std::vector<uint8_t> ReadWhole(platform::File& file) {
    const int64_t size = file.Size();
    if (size <= 0) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    const int64_t got = file.ReadAt(0, bytes.data(), bytes.size());
    bytes.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return bytes;
}

// The folder part of a path ("" for the current folder).
bool RemoveIfPresent(const std::string& path) {
    return platform::RemoveFile(path) || !platform::PathExists(path);
}

// Makes the writes of one change, each file's in their order.
bool ApplyFileWrites(const std::vector<format::FileWrite>& writes, JournalTarget* const (&targets)[3]) {
    bool present[3] = {false, false, false};
    for (const format::FileWrite& w : writes) present[static_cast<size_t>(w.file)] = true;
    bool ok = true;
    for (size_t i = 0; i < 3; ++i) {
        if (present[i]) ok = targets[i] != nullptr && targets[i]->ApplyWrites(writes) && ok;
    }
    return ok;
}

// Replays the frames of a journal into the files: the writes in order, and
// for each info file only its last step (an earlier temporary file that
// still exists never became the piece). Every step can be repeated.
bool Replay(const std::vector<format::JournalChange>& frames, JournalTarget* const (&targets)[3],
            const std::string& infoFolder) {
    bool ok = true;
    std::map<std::string, const format::InfoStep*> last;
    std::set<std::string> temps;
    for (const format::JournalChange& frame : frames) {
        ok = ApplyFileWrites(frame.writes, targets) && ok;
        for (const format::InfoStep& step : frame.infoSteps) {
            last[step.name] = &step;
            if (step.kind == format::InfoStep::Kind::kPut) temps.insert(step.tempName);
        }
    }
    for (const auto& [name, step] : last) {
        if (step->kind == format::InfoStep::Kind::kRemove) {
            ok = RemoveIfPresent(InFolder(infoFolder, name)) && ok;
        } else {
            temps.erase(step->tempName);
            const std::string temp = InFolder(infoFolder, step->tempName);
            // A temporary file that is gone was renamed already.
            if (platform::PathExists(temp)) ok = platform::RenameFile(temp, InFolder(infoFolder, name)) && ok;
        }
    }
    for (const std::string& temp : temps) ok = RemoveIfPresent(InFolder(infoFolder, temp)) && ok;
    return ok;
}

}  // namespace

void CollectedChange::Write(JournalTarget& target, uint64_t offset, const void* bytes, size_t n) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    change.writes.push_back({target.JournalId(), offset, std::vector<uint8_t>(p, p + n)});
    targets[static_cast<size_t>(target.JournalId())] = &target;
}

void CollectedChange::WriteDirect(JournalTarget& target, std::function<bool(JournalTarget&)> write) {
    direct.push_back({&target, std::move(write)});
    targets[static_cast<size_t>(target.JournalId())] = &target;
}

namespace {

// The direct writes of a change, each target flushed after them.
bool WriteDirectly(const CollectedChange& collected) {
    for (const CollectedChange::DirectWrite& d : collected.direct) {
        if (!d.write(*d.target)) return false;
    }
    for (const CollectedChange::DirectWrite& d : collected.direct) {
        if (!d.target->SyncFile()) return false;
    }
    return true;
}

}  // namespace

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + platform::kPathSeparator + name;
}

bool ApplyInfoStep(const std::string& folder, const format::InfoStep& step) {
    if (step.kind == format::InfoStep::Kind::kRemove) return RemoveIfPresent(InFolder(folder, step.name));
    return platform::RenameFile(InFolder(folder, step.tempName), InFolder(folder, step.name));
}

std::string Journal::PathBeside(const std::string& mediaFile) {
    return format::JournalPathBeside(mediaFile, platform::kPathSeparator == '\\');
}

std::unique_ptr<Journal> Journal::Open(const std::string& path, const Paths& paths, bool* replayFailed) {
    *replayFailed = false;
    std::unique_ptr<platform::File> file = platform::Files().OpenExclusive(path);
    if (!file) return nullptr;
    std::unique_ptr<Journal> journal(new Journal());
    journal->path_ = path;
    journal->paths_ = paths;
    journal->file_ = std::move(file);

    const std::vector<uint8_t> bytes = ReadWhole(*journal->file_);
    const format::JournalContent content = format::ReadJournal(bytes.data(), bytes.size());
    journal->salt_ = content.soundHeader ? content.salt + 1 : static_cast<uint32_t>(platform::CurrentTime());
    if (!content.frames.empty()) {
        // Replay into files of our own, flushed before the journal forgets.
        std::unique_ptr<JournalTarget> owned[3];
        JournalTarget* targets[3] = {};
        for (size_t i = 0; i < 3; ++i) {
            owned[i] = std::make_unique<ReplayFile>(static_cast<format::JournalFile>(i),
                                                    platform::OpenBuffered(paths.files[i]));
            targets[i] = owned[i].get();
        }
        bool ok = Replay(content.frames, targets, paths.infoFolder);
        for (const auto& target : owned) ok = target->SyncFile() && ok;
        ok = platform::SyncFolder(paths.infoFolder) && ok;
        // Frames that could not be replayed stay for the next open, and
        // nobody may work on the older files meanwhile.
        if (!ok) {
            *replayFailed = true;
            return nullptr;
        }
    }
    for (const std::string& name : platform::ListFiles(paths.infoFolder)) {
        if (format::IsTempInfoName(name)) platform::RemoveFile(InFolder(paths.infoFolder, name));
    }

    // Keep the space allocated so that commits overwrite it in place.
    const int64_t size = journal->file_->Size();
    journal->capacity_ =
        size > static_cast<int64_t>(kJournalSpace) ? static_cast<uint64_t>(size) : kJournalSpace;
    if (size < static_cast<int64_t>(kJournalSpace)) {
        const std::vector<uint8_t> zeros(kJournalSpace - static_cast<uint64_t>(size < 0 ? 0 : size), 0);
        if (journal->file_->WriteAt(static_cast<uint64_t>(size < 0 ? 0 : size), zeros.data(), zeros.size()) !=
            static_cast<int64_t>(zeros.size())) {
            return nullptr;
        }
    }
    if (!journal->Reset()) return nullptr;
    // The journal's own name must survive a power cut before any frame in
    // it counts, and so must the main files' names.
    if (!platform::SyncFolder(platform::FolderOf(path))) return nullptr;
    for (const std::string& file : paths.files) platform::SyncFolder(platform::FolderOf(file));
    return journal;
}

Journal::~Journal() { Close(); }

bool Journal::Reset() {
    const std::vector<uint8_t> header = format::EncodeJournalHeader(salt_);
    if (file_->WriteAt(0, header.data(), header.size()) != static_cast<int64_t>(header.size()) ||
        !file_->Sync()) {
        return false;
    }
    tail_ = format::kJournalHeaderBytes;
    sequence_ = 0;
    return true;
}

bool Journal::ApplyChange(const CollectedChange& collected) {
    bool ok = ApplyFileWrites(collected.change.writes, collected.targets);
    for (const format::InfoStep& step : collected.change.infoSteps) {
        ok = ApplyInfoStep(collected.infoFolder, step) && ok;
    }
    return ok;
}

bool Journal::Commit(const std::function<void(CollectedChange&)>& collect) {
    std::lock_guard<std::mutex> guard(lock_);
    if (closed_) return false;
    CollectedChange collected;
    collect(collected);
    if (!collected.direct.empty()) {
        for (size_t i = 0; i < 3; ++i) {
            if (collected.targets[i] != nullptr) targets_[i] = collected.targets[i];
        }
        // No frame older than this change may be replayed over the direct bytes.
        if (!Checkpoint() || !WriteDirectly(collected)) return false;
    }
    if (collected.change.empty()) {
        for (const auto& committed : collected.onCommitted) committed();
        return true;
    }
    if (!collected.infoFolder.empty() || !collected.change.infoSteps.empty()) {
        paths_.infoFolder = collected.infoFolder.empty() ? paths_.infoFolder : collected.infoFolder;
    }
    for (size_t i = 0; i < 3; ++i) {
        if (collected.targets[i] != nullptr) targets_[i] = collected.targets[i];
    }

    const std::vector<uint8_t> frame = format::EncodeFrame(salt_, sequence_ + 1, collected.change);
    // Room first: a checkpoint makes the whole space free again.
    if (tail_ + frame.size() > capacity_ && sequence_ > 0 && !Checkpoint()) return false;
    if (file_->AppendDurably(tail_, frame.data(), frame.size()) != static_cast<int64_t>(frame.size())) {
        // The frame may or may not be on the disk: spoil its magic so that a
        // later open does not take a change its caller saw fail.
        const uint32_t zero = 0;
        file_->WriteAt(tail_, &zero, sizeof zero);
        file_->Sync();
        return false;
    }
    tail_ += frame.size();
    if (tail_ > capacity_) capacity_ = tail_;
    ++sequence_;
    for (const auto& committed : collected.onCommitted) committed();
    // The change is durable now; should the main files refuse it, the
    // journal keeps it until they take it.
    if (!ApplyChange(collected)) behind_ = true;
    return true;
}

bool Journal::ReplayOwnFrames() {
    const std::vector<uint8_t> bytes = ReadWhole(*file_);
    const format::JournalContent content = format::ReadJournal(bytes.data(), bytes.size());
    return Replay(content.frames, targets_, paths_.infoFolder);
}

bool Journal::Checkpoint() {
    if (sequence_ == 0) return true;
    if (behind_) {
        if (!ReplayOwnFrames()) return false;
        behind_ = false;
    }
    for (JournalTarget* target : targets_) {
        if (target != nullptr && !target->SyncFile()) return false;
    }
    if (!platform::SyncFolder(paths_.infoFolder)) return false;
    for (const std::string& file : paths_.files) {
        if (!platform::SyncFolder(platform::FolderOf(file))) return false;
    }
    ++salt_;
    return Reset();
}

void Journal::Close() {
    std::lock_guard<std::mutex> guard(lock_);
    if (closed_) return;
    closed_ = true;
    const bool clean = Checkpoint();
    file_.reset();
    if (clean) platform::RemoveFile(path_);
}

bool CommitWithoutJournal(const std::function<void(CollectedChange&)>& collect) {
    CollectedChange collected;
    collect(collected);
    if (!WriteDirectly(collected)) return false;
    if (collected.change.empty()) {
        for (const auto& committed : collected.onCommitted) committed();
        return true;
    }
    bool ok = ApplyFileWrites(collected.change.writes, collected.targets);
    for (JournalTarget* target : collected.targets) {
        if (ok && target != nullptr) ok = target->SyncFile();
    }
    for (const format::InfoStep& step : collected.change.infoSteps)
        ok = ok && ApplyInfoStep(collected.infoFolder, step);
    if (ok && !collected.change.infoSteps.empty()) ok = platform::SyncFolder(collected.infoFolder);
    if (ok) {
        for (const auto& committed : collected.onCommitted) committed();
    }
    return ok;
}

}  // namespace mvdb
