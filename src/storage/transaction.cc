#include "storage/transaction.h"

#include <atomic>

#include "mvdb.h"
#include "platform/platform.h"

namespace mvdb {

namespace {

thread_local Transaction* t_current = nullptr;

// Numbers the temporary info files of this process.
std::atomic<uint32_t> g_tempNumber{0};

}  // namespace

Transaction::Transaction(Journal* journal, bool undoOnFailure)
    : outer_(t_current), journal_(journal), undoOnFailure_(undoOnFailure) {
    if (outer_ == nullptr) t_current = this;
}

Transaction::~Transaction() {
    if (outer_ != nullptr) return;
    // An outermost transaction that was never committed is abandoned whole
    // (something threw): nothing was written, so memory goes back too.
    if (!done_) Rollback();
    t_current = nullptr;
}

Transaction* Transaction::Current() { return t_current; }

void Transaction::Touch(const void* owner, int64_t key, Collector collect, bool finish) {
    if (outer_ != nullptr) return outer_->Touch(owner, key, std::move(collect), finish);
    for (const Entry& e : entries_) {
        if (e.owner == owner && e.key == key) return;
    }
    entries_.push_back({owner, key, std::move(collect), finish});
}

void Transaction::OnRollback(std::function<void()> undo) {
    if (outer_ != nullptr) return outer_->OnRollback(std::move(undo));
    if (!done_) undo_.push_back(std::move(undo));
}

bool Transaction::PutInfo(const std::string& folder, const std::string& name, const void* data, size_t n) {
    if (outer_ != nullptr) return outer_->PutInfo(folder, name, data, n);
    const std::string tempName = name + "~" + std::to_string(++g_tempNumber);
    const std::string temp = InFolder(folder, tempName);
    platform::RemoveFile(temp);  // left by an earlier process
    bool ok;
    {
        std::unique_ptr<platform::File> file = platform::OpenBuffered(temp);
        ok = file != nullptr && (n == 0 || file->WriteAt(0, data, n) == static_cast<int64_t>(n)) &&
             file->Sync();
    }
    // The temporary file's name must be durable before a frame names it.
    ok = ok && platform::SyncFolder(folder);
    if (!ok) {
        platform::RemoveFile(temp);
        return false;
    }
    infoFolder_ = folder;
    infoSteps_.push_back({format::InfoStep::Kind::kPut, name, tempName});
    return true;
}

void Transaction::RemoveInfo(const std::string& folder, const std::string& name) {
    if (outer_ != nullptr) return outer_->RemoveInfo(folder, name);
    infoFolder_ = folder;
    infoSteps_.push_back({format::InfoStep::Kind::kRemove, name, {}});
}

void Transaction::Collect(CollectedChange& change) const {
    for (const Entry& e : entries_) {
        if (!e.finish) e.collect(change);
    }
    for (const Entry& e : entries_) {
        if (e.finish) e.collect(change);
    }
    change.infoFolder = infoFolder_;
    change.change.infoSteps = infoSteps_;
}

void Transaction::Refuse() {
    if (outer_ != nullptr) return outer_->Refuse();
    refused_ = true;
}

int32_t Transaction::Commit() {
    if (outer_ != nullptr || done_) return 0;
    done_ = true;
    if (!refused_) {
        if (entries_.empty() && infoSteps_.empty()) return 0;
        const auto collect = [this](CollectedChange& change) { Collect(change); };
        const bool ok = journal_ != nullptr ? journal_->Commit(collect) : CommitWithoutJournal(collect);
        if (ok) return 0;
    }
    if (undoOnFailure_) Rollback();
    // Temporary files of the failed change never become pieces.
    for (const format::InfoStep& step : infoSteps_) {
        if (step.kind == format::InfoStep::Kind::kPut)
            platform::RemoveFile(InFolder(infoFolder_, step.tempName));
    }
    return MVDB_ERR_WRITE;
}

void Transaction::Rollback() {
    for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) (*it)();
    undo_.clear();
}

int32_t Transaction::Within(const std::function<void(Transaction&)>& add) {
    if (Transaction* current = Current()) {
        add(*current);
        return 0;
    }
    Transaction own(nullptr);
    add(own);
    return own.Commit();
}

}  // namespace mvdb
