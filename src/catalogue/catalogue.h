// The catalogue: every rule that spans two stores. A media change asks the
// category store for the access flags of the categories it touches; a
// category deletion asks the media store whether the category still holds
// items and re-files the items it leaves without a category; a reset clears
// the categories before the media. Each exported change that reads one store
// to change another is one function here, run whole under the change lock,
// so no other change comes between its checks and its changes (no live
// item ever ends up in a deleted category). Each runs inside the one
// transaction its export opens (frame/export_guard.h), so its writes to
// several files commit together.
//
// Lock order. A thread that holds one of these locks takes only locks
// further down the list, never one above it:
//   1. the catalogue's change lock (Catalogue::changeLock_);
//   2. a store lock (Store::storeLock_): category store, then media store,
//      then client store; no code holds two store locks at once;
//   3. a result slot's lock (ResultSlots), held only to put a finished
//      list in place or to read one entry;
//   4. the journal's lock (Journal), held while a change commits: the bytes
//      of the change are copied out of the arrays and written under it;
//   5. the leaves, under which nothing else is taken: a record array's inner
//      lock (RecordArray), held for one record or one chunk of a scan (the
//      first access to a block still in the file reads that block under
//      it, through a file read that takes no other lock of the library's),
//      the shared account's lock, and a file's file-access lock (RecordFile).
// Point reads (GetMediaInfo and the like) take only the inner lock of one
// array, and scans let go of it between chunks, so a point read never waits
// for a scan or for a change's file writes: at most for one chunk, or for
// one block's first read from the file. clang's thread-safety analysis
// checks the annotations that state this order.
#pragma once

#include <cstdint>

#include "catalogue/bulk_import.h"
#include "category/category_database.h"
#include "client/client_database.h"
#include "media/media_database.h"
#include "mvdb.h"
#include "platform/platform.h"
#include "platform/thread_annotations.h"

namespace mvdb {

class Catalogue {
public:
    Catalogue(CategoryDatabase& categories, MediaDatabase& media, ClientDatabase& clients)
        : categories_(categories), media_(media), clients_(clients) {}
    Catalogue(const Catalogue&) = delete;
    Catalogue& operator=(const Catalogue&) = delete;

    // Media changes under the access flags of the categories involved.
    int32_t AddMedia(MediaInfo* info) MVDB_EXCLUDES(changeLock_);
    int32_t DeleteMedia(int32_t index) MVDB_EXCLUDES(changeLock_);
    int32_t ReplaceMedia(int32_t index, MediaInfo* info) MVDB_EXCLUDES(changeLock_);
    int32_t ModifyMedia(MediaInfo* info) MVDB_EXCLUDES(changeLock_);
    // Default categories, then the default media.
    int32_t ClearMedia() MVDB_EXCLUDES(changeLock_);
    // Default categories, default media and no clients.
    int32_t Initialize() MVDB_EXCLUDES(changeLock_);

    // Category changes, beside the items filed in them.
    int32_t AddCategory(CategoryInfo* info) MVDB_EXCLUDES(changeLock_);
    int32_t DeleteCategory(int32_t position, int32_t mode) MVDB_EXCLUDES(changeLock_);
    int32_t ReplaceCategory(int32_t position, CategoryInfo* info) MVDB_EXCLUDES(changeLock_);

    // Brings a whole batch in as one change (catalogue/bulk_import.cc): 0;
    // MVDB_ERR_INVALID with `refusal` naming the record that cannot be
    // stored (nothing changed); MVDB_ERR_WRITE when the change did not
    // become durable (memory and files as they were).
    int32_t Import(const ImportBatch& batch, ImportMode mode, ImportRefusal* refusal)
        MVDB_EXCLUDES(changeLock_);

    // Every record of the three stores in position order, deleted ones
    // included, read under the change lock so that they agree.
    void Export(ImportBatch* out) MVDB_EXCLUDES(changeLock_);

    // The items of this host changed since the named client's last login,
    // gathered into a media result slot.
    int32_t CollectChangedSinceLogin(const char* clientName, int32_t slot);

private:
    // Commits the change open on this thread, if any, before the change
    // lock goes: `result`, or MVDB_ERR_WRITE when the change did not become
    // durable (memory is then as it was before the change).
    int32_t Committed(int32_t result) MVDB_REQUIRES(changeLock_);
    // Moves every live item whose category does not exist into the nearest
    // existing ancestor of that category, else into the Root.
    void RefileOrphanedMedia() MVDB_REQUIRES(changeLock_);

    CategoryDatabase& categories_;
    MediaDatabase& media_;
    ClientDatabase& clients_;
    platform::CriticalSection changeLock_ MVDB_ACQUIRED_BEFORE(categories_.storeLock_, media_.storeLock_,
                                                               clients_.storeLock_);
};

}  // namespace mvdb
