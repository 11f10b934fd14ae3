// The media catalogue: media elements whose position is the item's index,
// mirrored element by element to "MVDBMF.db", with the info folder that
// holds their additional info and the host name of this server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/media_element.h"
#include "media/media_name_index.h"
#include "platform/platform.h"
#include "platform/thread_annotations.h"
#include "storage/caseless_name.h"
#include "storage/store.h"

namespace mvdb {

class TextPrefilter;

class MediaDatabase : public Store<MediaElement, MediaInfo> {
public:
    MediaDatabase(SharedAccount& account, const platform::CodePage& codePage);
    ~MediaDatabase() override = default;

    const std::string& hostName() const { return ownHost_.str(); }
    void SetHostName(const std::string& name) { ownHost_ = CaselessName(codePage_, name); }
    const std::string& infoFolder() const { return infoFolder_; }
    int32_t channelCount() const { return channelCount_; }

    int32_t Load();
    int32_t Clear() MVDB_EXCLUDES(storeLock_);
    int32_t SeedDefaultChannels() MVDB_EXCLUDES(storeLock_);
    int32_t GetRecord(int32_t index, MediaInfo* out) const;

    // Record operations (media_records.cc).
    int32_t AddRecord(MediaInfo* info) MVDB_EXCLUDES(storeLock_);
    int32_t DeleteRecord(int32_t index) MVDB_EXCLUDES(storeLock_);
    // Stores the item's own position as its recordIndex and writes the
    // fields it sets (size, time, index) back into `info`. A replacement
    // that carries the deleted flag removes the item's additional info.
    int32_t ReplaceRecord(int32_t index, MediaInfo* info) MVDB_EXCLUDES(storeLock_);
    // A modify in two steps, which the catalogue runs under its lock so
    // that nothing changes the target in between: the slot named by
    // `recordIndex` when it exists (deleted or not), else the last live item
    // whose key name matches, whose index is then written back into
    // `recordIndex` (-3 when none matches); then the update of that slot.
    int32_t ChooseModifyTarget(MediaInfo* info) const;
    int32_t ModifyRecordAt(int32_t target, const MediaInfo& modification) MVDB_EXCLUDES(storeLock_);

    // Bulk import (media_import.cc), each one part of the current change.
    // Appends items[picked[0]], items[picked[1]], ... after the last item,
    // each as an add stores it (ElementToAdd, stamped `now`), and returns
    // the index of the first.
    int32_t AppendImported(const std::vector<MediaInfo>& items, const std::vector<size_t>& picked,
                           int32_t now) MVDB_EXCLUDES(storeLock_);
    // The elements in place of every item; the info files of the former
    // items go when the change commits.
    int32_t ReplaceAllImported(std::vector<MediaElement> elements) MVDB_EXCLUDES(storeLock_);
    // What an add stores for `info` at `index`: size, host, time, live location.
    MediaElement ElementToAdd(const MediaInfo& info, int32_t index, int32_t now) const;

    // Queries and result slots (media_queries.cc).
    int32_t Search(const char* location, const char* keyName, int32_t start) const;
    // The same answer found by reading every element from `start` on: the
    // reference that the indexed search must always agree with.
    int32_t SearchByScan(const char* location, const char* keyName, int32_t start) const;
    // The last live item whose key name equals `keyName`, or -1; by the
    // index, and by a scan of every element.
    int32_t LastLiveWithKey(const char* keyName) const;
    int32_t LastLiveWithKeyByScan(const char* keyName) const;
    // Bytes held by the name indexes.
    size_t NameIndexBytes() const { return Names().MemoryBytes(); }
    int32_t CollectChanged(int32_t since, int32_t slot);
    int32_t CollectCategorized(int32_t categoryId, int32_t slot);
    int32_t CollectNormal(int32_t slot);
    int32_t GetSlotRecord(int32_t position, MediaInfo* out, int32_t slot) const;
    // 1 when a live item that is not category-neutral is filed in category
    // `id`, else 0. Only as true as the moment it answers: the catalogue
    // asks it under its lock, which every change of an item's category or
    // state holds.
    int32_t IsCategoryUsed(int32_t id) const;
    // Rebuilds a result slot with copies of the elements `select` accepts.
    template <typename Select>
    int32_t Collect(int32_t slot, Select&& select);

    // Additional info (media_add_info.cc).
    int32_t SetAddInfo(int32_t index, int32_t number, int32_t size, int32_t type, const void* data)
        MVDB_EXCLUDES(storeLock_);
    int32_t GetAddInfoType(int32_t index, int32_t number, int32_t* size, int32_t* type);
    int32_t GetAddInfo(int32_t index, int32_t number, void* buffer);
    // Piece `number` of item `index` as a text for the search: its bytes
    // with a NUL after them, in a buffer sized by what was read, never by a
    // stored size alone. 0 when the piece holds at least one byte; -3 when
    // there is none or its file is missing; -15 when the stored size is
    // negative or larger than the file; -6 without memory; the common
    // checks' results. Changes nothing.
    int32_t ReadInfoText(int32_t index, int32_t number, std::vector<char>* text) const;
    int32_t DelAddInfo(int32_t index, int32_t number) MVDB_EXCLUDES(storeLock_);
    int32_t CheckAddInfo(int32_t index) const;
    int32_t DeleteMediaInfoFiles(int32_t index) MVDB_REQUIRES(storeLock_);
    // The criteria search (media_lookup.cc).
    int32_t FindMedia(const FindCriteria* head, int32_t slot);
    // The path of info file `number` of item `index`; empty when it does not fit.
    std::string InfoFilePath(int32_t index, int32_t number) const;
    static std::string InfoFileName(int32_t index, int32_t number);
    // Removes an info file when the current change commits.
    int32_t RemoveInfoFileWithChange(int32_t index, int32_t number);

private:
    // True when the element belongs to this server's host.
    bool IsOwnHost(const MediaInfo& info) const;
    // The common checks of the info operations: -4 for a bad index or a
    // deleted item, else 0 with a copy of the element.
    int32_t CheckedElement(int32_t index, MediaElement* element) const;

    bool MatchTextCriterion(const FindCriteria& node, const TextPrefilter& filter, int32_t index,
                            const MediaInfo& info, std::vector<char>* buffer);
    // The default live inputs in place of every element, written whole.
    void ReplaceWithDefaults() MVDB_REQUIRES(storeLock_);
    // Empties the info folder of this catalogue's files.
    int32_t SweepInfoFolder() MVDB_REQUIRES(storeLock_);
    // Lowers the first index at which an add looks for a deleted slot.
    void NoteDeletedSlot(int32_t index) MVDB_REQUIRES(storeLock_);

    // True when a live item of this host matches by location or key name.
    bool SearchMatches(const MediaInfo& info, const char* location, const char* keyName) const;
    bool LiveWithKey(const MediaInfo& info, const char* keyName) const;

    // The indexes, brought up to date first when a load left them behind.
    const MediaNameIndex& Names() const {
        records_.RefreshObserver();
        return nameIndex_;
    }

    const platform::CodePage& codePage_;
    MediaNameIndex nameIndex_;
    // No slot below this index is deleted, so adds need not look there.
    int32_t noDeletedBelow_ MVDB_GUARDED_BY(storeLock_) = 0;
    // This host's name, which every Check fill compares each item's with.
    CaselessName ownHost_;
    int32_t channelCount_ = kDefaultMediaChannels;
    std::string infoFolder_;

    static constexpr int32_t kDefaultMediaChannels = 20;
};

// True for the names info files are given: MVDB<digits>-<digits>.dat.
using format::IsInfoFileName;

}  // namespace mvdb
