// One change to the database, committed as a whole. A Transaction collects
// what the stores write (records, counts, whole files, headers) and the
// info files a change puts or removes, and commits them together: through
// the journal when there is one, else straight to the files. Transactions
// nest per thread: an inner one joins the outermost, which alone commits.
//
// Memory changes made while a transaction is open are undone when it fails
// (the record arrays report their former contents), so memory and the
// files never disagree. Each exported function runs in one transaction; a
// component that makes a change across stores opens one around it:
//
//     Transaction change(journal);
//     ... store calls ...
//     return change.Commit();   // 0, or MVDB_ERR_WRITE with memory restored
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "storage/journal.h"

namespace mvdb {

class Transaction {
public:
    // `journal` may be null: the change then goes straight to the files.
    // With `undoOnFailure` false a failed commit keeps memory as it is
    // (the first load of a database).
    explicit Transaction(Journal* journal, bool undoOnFailure = true);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // The transaction open on this thread, or nullptr.
    static Transaction* Current();

    // Commits the outermost transaction: 0, or MVDB_ERR_WRITE when the change
    // did not become durable (its memory changes are then undone). An inner
    // transaction answers 0 and leaves the commit to the outermost.
    int32_t Commit();

    // Adds the writes that `collect` makes at commit time, once per key;
    // the `finish` ones come after all others (counts after records).
    using Collector = std::function<void(CollectedChange&)>;
    void Touch(const void* owner, int64_t key, Collector collect, bool finish = false);
    // Registers how to undo a memory change made in this transaction.
    void OnRollback(std::function<void()> undo);
    // Marks the change as one that must not be made: its commit writes
    // nothing, undoes its memory changes and answers MVDB_ERR_WRITE.
    void Refuse();

    // Writes an info file's new content under a temporary name now (flushed);
    // it becomes `name` in the folder when the change commits. False when it
    // could not be written.
    bool PutInfo(const std::string& folder, const std::string& name, const void* data, size_t n);
    // Removes an info file when the change commits.
    void RemoveInfo(const std::string& folder, const std::string& name);

    // Runs `add` inside the current transaction, or in one of its own that
    // commits at once: 0 or MVDB_ERR_WRITE.
    static int32_t Within(const std::function<void(Transaction&)>& add);

private:
    struct Entry {
        const void* owner;
        int64_t key;
        Collector collect;
        bool finish;
    };
    void Collect(CollectedChange& change) const;
    void Rollback();

    Transaction* outer_;
    Journal* journal_;
    bool undoOnFailure_;
    bool done_ = false;
    bool refused_ = false;
    std::vector<Entry> entries_;
    std::vector<std::function<void()>> undo_;
    std::string infoFolder_;
    std::vector<format::InfoStep> infoSteps_;
};

// Registers an undo with the current transaction, when one is open.
inline void RememberUndo(std::function<void()> undo) {
    if (Transaction* t = Transaction::Current()) t->OnRollback(std::move(undo));
}

}  // namespace mvdb
