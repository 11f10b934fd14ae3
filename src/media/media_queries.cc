// Reading the media catalogue: searches by location or key name, and the
// result slots that gather copies of this host's items.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "media/media_database.h"
#include "storage/fixed_string.h"

namespace mvdb {

bool MediaDatabase::IsOwnHost(const MediaInfo& info) const { return ownHost_.Matches(info.hostName); }

bool MediaDatabase::SearchMatches(const MediaInfo& info, const char* location, const char* keyName) const {
    if (IsDeleted(info)) return false;
    bool matches = false;
    if (location != nullptr) {
        const TerminatedField stored(info.location);
        matches = codePage_.CompareNoCase(stored.c_str(), location) == 0;
    }
    if (!matches && keyName != nullptr) {
        const TerminatedField stored(info.keyName);
        matches = codePage_.CompareNoCase(stored.c_str(), keyName) == 0;
    }
    // The host last: it is compared only for an item that matches by name.
    return matches && IsOwnHost(info);
}

int32_t MediaDatabase::Search(const char* location, const char* keyName, int32_t start) const {
    // A missing argument matches nothing.
    if (location == nullptr && keyName == nullptr) return MVDB_ERR_NOT_FOUND;
    const NameIndex& byLocation = Names().location();
    const NameIndex& byKey = Names().keyName();
    const uint32_t locationHash = location ? byLocation.Hash(location, std::strlen(location)) : 0;
    const uint32_t keyHash = keyName ? byKey.Hash(keyName, std::strlen(keyName)) : 0;
    // The candidates of both names in position order; the first that the
    // scan's own test accepts is the scan's answer.
    for (int32_t cursor = start < 0 ? 0 : start;;) {
        const int32_t a = location ? byLocation.NextCandidate(locationHash, cursor) : -1;
        const int32_t b = keyName ? byKey.NextCandidate(keyHash, cursor) : -1;
        if (a < 0 && b < 0) return MVDB_ERR_NOT_FOUND;
        const int32_t candidate = a < 0 ? b : (b < 0 ? a : std::min(a, b));
        // The answer is where the item is; a position stored wrong by an
        // older writer is never passed on.
        const bool matched = records_.Test(
            candidate, [&](const MediaElement& e) { return SearchMatches(e.info, location, keyName); });
        if (matched) return candidate;
        cursor = candidate + 1;
    }
}

int32_t MediaDatabase::SearchByScan(const char* location, const char* keyName, int32_t start) const {
    if (location == nullptr && keyName == nullptr) return MVDB_ERR_NOT_FOUND;
    const int32_t found = records_.FindFirst(
        [&](const MediaElement& e) { return SearchMatches(e.info, location, keyName); }, start);
    return found < 0 ? MVDB_ERR_NOT_FOUND : found;
}

bool MediaDatabase::LiveWithKey(const MediaInfo& info, const char* keyName) const {
    if (IsDeleted(info)) return false;
    const TerminatedField stored(info.keyName);
    return codePage_.CompareNoCase(stored.c_str(), keyName) == 0;
}

int32_t MediaDatabase::LastLiveWithKey(const char* keyName) const {
    const NameIndex& byKey = Names().keyName();
    const uint32_t hash = byKey.Hash(keyName, std::strlen(keyName));
    for (int32_t candidate = byKey.PreviousCandidate(hash, INT32_MAX); candidate >= 0;
         candidate = byKey.PreviousCandidate(hash, candidate - 1)) {
        if (records_.Test(candidate, [&](const MediaElement& e) { return LiveWithKey(e.info, keyName); })) {
            return candidate;
        }
    }
    return -1;
}

int32_t MediaDatabase::LastLiveWithKeyByScan(const char* keyName) const {
    int32_t last = -1;
    records_.ForEach([&](int32_t i, const MediaElement& e) {
        if (LiveWithKey(e.info, keyName)) last = i;
    });
    return last;
}

template <typename Select>
int32_t MediaDatabase::Collect(int32_t slot, Select&& select) {
    if (!ResultSlots<MediaInfo>::ValidSlot(slot)) return MVDB_ERR_BAD_SLOT;
    return slots_.Rebuild(slot, [&](std::vector<MediaInfo>& entries) {
        records_.AppendWhere([&](const MediaElement& e) { return select(e.info); },
                             [](const MediaElement& e) -> const MediaInfo& { return e.info; }, &entries);
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
    if (!ResultSlots<MediaInfo>::ValidSlot(slot)) return MVDB_ERR_BAD_SLOT;
    if (out == nullptr) return MVDB_ERR_INVALID;
    return slots_.Get(slot, position, out) ? 0 : MVDB_ERR_OUT_OF_RANGE;
}

int32_t MediaDatabase::IsCategoryUsed(int32_t id) const {
    const int32_t used = records_.FindFirst([id](const MediaElement& e) {
        return (e.info.mediaFlags & (MVDB_MEDIA_DELETED | MVDB_MEDIA_CATEGORY_NEUTRAL)) == 0 &&
               e.info.categoryId == id;
    });
    return used >= 0 ? 1 : 0;
}

}  // namespace mvdb
