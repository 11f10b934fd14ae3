// The journal that makes every change to the catalogue files and the info
// folder all or nothing. A change is committed by appending one frame (see
// format/journal_frame.h) into space the journal keeps allocated and
// flushing once; the main files and the info folder are then brought up to
// date without a flush of their own. A checkpoint flushes the main files and
// the info folder and starts the journal afresh: when the next frame would
// not fit the allocated space, and at close, when the journal file goes.
// Opening replays the complete frames a crash left behind.
//
// Locking: Commit holds the journal's lock while it copies the records of
// the change (taking the record arrays' inner locks inside it), writes and
// applies them; so the last commit always carries the latest bytes. Nothing
// is called under the journal's lock that takes a store lock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "format/journal_frame.h"
#include "platform/platform.h"

namespace mvdb {

// Where the writes of a change land: an open catalogue file.
class JournalTarget {
public:
    virtual ~JournalTarget() = default;
    virtual format::JournalFile JournalId() const = 0;
    // Makes the writes of `writes` that land in this file (JournalId), in
    // their order, all under one hold of whatever guards the file's writes.
    // False when any of them failed; the others are made all the same.
    virtual bool ApplyWrites(const std::vector<format::FileWrite>& writes) = 0;
    // One write of `n` bytes at `offset`, under the same guard: for bytes
    // that go to the file without the journal (see WriteDirect).
    virtual bool ApplyWrite(uint64_t offset, const uint8_t* bytes, size_t n) = 0;
    virtual bool SyncFile() = 0;
};

// One change as collected for a commit.
struct CollectedChange {
    format::JournalChange change;
    std::string infoFolder;
    JournalTarget* targets[3] = {nullptr, nullptr, nullptr};
    // Run once the change is durable.
    std::vector<std::function<void()>> onCommitted;
    // Writes that go straight into a main file, not through the frame: bytes
    // past the count the file has committed, which no reader looks at until
    // a frame of this change raises the count. They are written and flushed
    // before the frame, after a checkpoint (so that no older frame replayed
    // after a crash can write over them); a crash before the frame leaves
    // them unseen past the count. `write` answers false when it failed.
    struct DirectWrite {
        JournalTarget* target;
        std::function<bool(JournalTarget&)> write;
    };
    std::vector<DirectWrite> direct;

    void Write(JournalTarget& target, uint64_t offset, const void* bytes, size_t n);
    void WriteDirect(JournalTarget& target, std::function<bool(JournalTarget&)> write);
};

// The info folder's steps of a change, applied after it is durable.
bool ApplyInfoStep(const std::string& folder, const format::InfoStep& step);
std::string InFolder(const std::string& folder, const std::string& name);

class Journal {
public:
    struct Paths {
        std::string files[3];  // categories, media, clients
        std::string infoFolder;
    };

    // The journal's path for a media file's path: beside it.
    static std::string PathBeside(const std::string& mediaFile);

    // Opens the journal for the only writer of the files: nullptr when
    // another opener holds it or it cannot be made. Complete frames left by
    // a crash are replayed into `paths` first, and temporary info files no
    // frame completed are removed. `replayFailed` tells when frames were
    // found but could not be replayed: the files are then behind.
    static std::unique_ptr<Journal> Open(const std::string& path, const Paths& paths, bool* replayFailed);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Collects a change with `collect` and commits it. False when the change
    // could not be made durable: nothing of it counts then.
    bool Commit(const std::function<void(CollectedChange&)>& collect);

    // Flushes the main files and the info folder and empties the journal.
    bool Checkpoint();
    // A checkpoint, then the journal file goes. When the main files could
    // not be brought up to date the journal stays for the next open.
    void Close();

    const std::string& path() const { return path_; }

private:
    Journal() = default;
    bool Reset();
    bool ReplayOwnFrames();
    bool ApplyChange(const CollectedChange& change);

    std::mutex lock_;
    std::string path_;
    Paths paths_;
    std::unique_ptr<platform::File> file_;
    uint32_t salt_ = 0;
    uint32_t sequence_ = 0;
    uint64_t tail_ = format::kJournalHeaderBytes;
    uint64_t capacity_ = 0;
    // Set when a durable change could not be applied to the main files: the
    // journal then keeps its frames until they are.
    bool behind_ = false;
    bool closed_ = false;
    JournalTarget* targets_[3] = {nullptr, nullptr, nullptr};
};

// Commits a change without a journal: the writes go straight to the files,
// each touched file is flushed, then the info steps follow. Used by a store
// that writes without holding the journal.
bool CommitWithoutJournal(const std::function<void(CollectedChange&)>& collect);

}  // namespace mvdb
