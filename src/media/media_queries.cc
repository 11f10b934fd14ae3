// Reading the media catalogue: searches by location or key name, and the
// result slots that gather copies of this host's items.
#include "media/media_database.h"
#include "storage/fixed_string.h"

namespace mvdb {

bool MediaDatabase::IsOwnHost(const MediaInfo& info) const {
    const TerminatedField host(info.hostName);
    return codePage_.CompareNoCase(host.c_str(), hostName_.c_str()) == 0;
}

int32_t MediaDatabase::Search(const char* location, const char* keyName, int32_t start) const {
    // A missing argument matches nothing.
    if (location == nullptr && keyName == nullptr) return MVDB_ERR_NOT_FOUND;
    int32_t found = MVDB_ERR_NOT_FOUND;
    // The cheap tests first: the host is compared only for an item that
    // matches by location or key name.
    const int32_t first = records_.FindFirst(
        [&](const MediaElement& e) {
            if (IsDeleted(e.info)) return false;
            bool matches = false;
            if (location != nullptr) {
                const TerminatedField stored(e.info.location);
                matches = codePage_.CompareNoCase(stored.c_str(), location) == 0;
            }
            if (!matches && keyName != nullptr) {
                const TerminatedField stored(e.info.keyName);
                matches = codePage_.CompareNoCase(stored.c_str(), keyName) == 0;
            }
            return matches && IsOwnHost(e.info);
        },
        start);
    if (first >= 0) {
        MediaElement element;
        if (records_.Get(first, &element)) found = element.info.recordIndex;
    }
    return found;
}

template <typename Select>
int32_t MediaDatabase::Collect(int32_t slot, Select&& select) {
    if (!ResultSlots<MediaElement>::ValidSlot(slot)) return MVDB_ERR_BAD_SLOT;
    return slots_.Rebuild(slot, [&](std::vector<MediaElement>& entries) {
        records_.ForEach([&](int32_t, const MediaElement& e) {
            if (select(e.info)) entries.push_back(e);
        });
    });
}

int32_t MediaDatabase::CollectChanged(int32_t since, int32_t slot) {
    return Collect(slot, [&](const MediaInfo& info) {
        return info.updateTime >= since && !IsDeleted(info) && IsOwnHost(info);
    });
}

int32_t MediaDatabase::CollectCategorized(int32_t categoryId, int32_t slot) {
    // The live-video category (1) reports the items of every host.
    return Collect(slot, [&](const MediaInfo& info) {
        return info.categoryId == categoryId && !IsDeleted(info) && (categoryId == 1 || IsOwnHost(info));
    });
}

int32_t MediaDatabase::CollectNormal(int32_t slot) {
    // Deleted items of this host are gathered too: only the not-normal
    // flag leaves an item out.
    return Collect(slot, [&](const MediaInfo& info) {
        return (info.mediaFlags & MVDB_MEDIA_NOT_NORMAL) == 0 && IsOwnHost(info);
    });
}

int32_t MediaDatabase::GetSlotRecord(int32_t position, MediaInfo* out, int32_t slot) const {
    if (!ResultSlots<MediaElement>::ValidSlot(slot)) return MVDB_ERR_BAD_SLOT;
    if (out == nullptr) return MVDB_ERR_INVALID;
    MediaElement element;
    if (!slots_.Get(slot, position, &element)) return MVDB_ERR_OUT_OF_RANGE;
    *out = element.info;
    return 0;
}

int32_t MediaDatabase::IsCategoryUsed(int32_t id) const {
    platform::CriticalSectionGuard guard(storeLock_);
    const int32_t used = records_.FindFirst([id](const MediaElement& e) {
        return (e.info.mediaFlags & (MVDB_MEDIA_DELETED | MVDB_MEDIA_CATEGORY_NEUTRAL)) == 0 &&
               e.info.categoryId == id;
    });
    return used >= 0 ? 1 : 0;
}

}  // namespace mvdb
