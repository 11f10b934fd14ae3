// Media items brought in by a bulk import: many at once, under one hold of
// the store lock, written with one range write and counted once.
#include "media/live_channels.h"
#include "media/media_database.h"
#include "storage/fixed_string.h"

namespace mvdb {

MediaElement MediaDatabase::ElementToAdd(const MediaInfo& info, int32_t index, int32_t now) const {
    MediaElement element{};
    element.info = info;
    element.info.recordSize = sizeof(MediaInfo);
    if (element.info.hostName[0] == '\0') CopyToField(element.info.hostName, hostName());
    element.info.mediaFlags = 0;
    element.info.updateTime = now;
    element.info.recordIndex = index;
    BuildLiveLocation(&element.info);
    return element;
}

int32_t MediaDatabase::AppendImported(const std::vector<MediaInfo>& items, const std::vector<size_t>& picked,
                                      int32_t now) {
    platform::CriticalSectionGuard guard(storeLock_);
    const int32_t first = records_.Size();
    try {
        records_.AppendWith(picked.size(), [&](size_t i, MediaElement& element) {
            element = ElementToAdd(items[picked[i]], first + static_cast<int32_t>(i), now);
        });
    } catch (const std::bad_alloc&) {
        return MVDB_ERR_NO_RECORD;
    }
    // New items are live: the lowest deleted slot stays where it was.
    if (const int32_t rc = WriteRange(first, static_cast<int32_t>(picked.size())); rc < 0) return rc;
    return first;
}

int32_t MediaDatabase::ReplaceAllImported(std::vector<MediaElement> elements) {
    platform::CriticalSectionGuard guard(storeLock_);
    // The former items' info files would otherwise belong to the new items
    // in their slots.
    SweepInfoFolder();
    try {
        records_.Replace(std::move(elements));
    } catch (const std::bad_alloc&) {
        return MVDB_ERR_NO_RECORD;
    }
    noDeletedBelow_ = 0;
    return SaveAll();
}

}  // namespace mvdb
