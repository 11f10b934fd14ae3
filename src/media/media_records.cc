// Adding, deleting, replacing and modifying media items. The category
// access rules are checked by the catalogue (catalogue/) before these run,
// under its lock. Each change holds the store lock from the change of the
// array through the write of the file.
#include <cstring>

#include "media/live_channels.h"
#include "media/media_database.h"
#include "storage/fixed_string.h"

namespace mvdb {

int32_t MediaDatabase::AddRecord(MediaInfo* info) {
    if (info == nullptr) return MVDB_ERR_INVALID;
    info->recordSize = sizeof(MediaInfo);
    if (info->hostName[0] == '\0') CopyToField(info->hostName, hostName());

    platform::CriticalSectionGuard guard(storeLock_);
    // A deleted slot is reused by the next add; otherwise the item is appended.
    int32_t index =
        records_.FindFirst([](const MediaElement& e) { return IsDeleted(e.info); }, noDeletedBelow_);
    info->mediaFlags = 0;
    info->updateTime = platform::CurrentTime();
    info->recordIndex = index >= 0 ? index : records_.Size();

    MediaElement element{};
    element.info = *info;
    BuildLiveLocation(&element.info);
    if (index >= 0) {
        records_.Set(index, element);
    } else {
        try {
            index = records_.Append(element);
        } catch (const std::bad_alloc&) {
            return MVDB_ERR_NO_RECORD;
        }
    }
    noDeletedBelow_ = index + 1;
    // When the change does not commit, the slot is free again.
    RememberUndo([this, index] {
        platform::CriticalSectionGuard undoGuard(storeLock_);
        NoteDeletedSlot(index);
    });
    WriteRecord(index);
    return index;
}

void MediaDatabase::NoteDeletedSlot(int32_t index) {
    if (index < noDeletedBelow_) noDeletedBelow_ = index;
}

int32_t MediaDatabase::DeleteRecord(int32_t index) {
    // The flag and the "no deleted slot below" mark change together, so an
    // add never misses a slot that was just deleted.
    platform::CriticalSectionGuard guard(storeLock_);
    if (!records_.Update(index, [](MediaElement& e) { e.info.mediaFlags = MVDB_MEDIA_DELETED; })) {
        return MVDB_ERR_OUT_OF_RANGE;
    }
    NoteDeletedSlot(index);
    DeleteMediaInfoFiles(index);
    WriteRecord(index);
    return 0;
}

int32_t MediaDatabase::ReplaceRecord(int32_t index, MediaInfo* info) {
    if (info == nullptr) return MVDB_ERR_NO_RECORD;
    MediaInfo replacement = *info;
    // The position is the item's identity, whatever the caller's copy says.
    replacement.recordIndex = index;
    replacement.recordSize = sizeof(MediaInfo);
    replacement.updateTime = platform::CurrentTime();
    bool replaced = false;
    platform::CriticalSectionGuard guard(storeLock_);
    records_.Update(index, [&](MediaElement& e) {
        if (IsDeleted(e.info)) return;
        e.info = replacement;
        BuildLiveLocation(&e.info);
        replaced = true;
    });
    if (!replaced) return MVDB_ERR_OUT_OF_RANGE;
    if (IsDeleted(replacement)) {
        // A replace that deletes is a deletion: the info files go, so that
        // the next add in this slot starts without them.
        NoteDeletedSlot(index);
        DeleteMediaInfoFiles(index);
    }
    WriteRecord(index);
    info->recordSize = replacement.recordSize;
    info->updateTime = replacement.updateTime;
    info->recordIndex = replacement.recordIndex;
    return 0;
}

namespace {

bool Nonzero(const uint32_t (&words)[2]) { return words[0] != 0 || words[1] != 0; }

// The fields a modify takes from the caller; everything else stays.
void ApplyModification(const MediaInfo& from, MediaInfo* to) {
    to->updateTime = platform::CurrentTime();
    if (from.rangeProperty != 0) to->rangeProperty = from.rangeProperty;
    if (from.propertyPairA != 0 && from.propertyPairB != 0) {
        to->propertyPairA = from.propertyPairA;
        to->propertyPairB = from.propertyPairB;
    }
    if (Nonzero(from.property64A)) std::memcpy(to->property64A, from.property64A, sizeof to->property64A);
    if (from.propertyA != 0) to->propertyA = from.propertyA;
    if (from.propertyB != 0) to->propertyB = from.propertyB;
    if (from.mediaType != 0) to->mediaType = from.mediaType;
    if (Nonzero(from.property64B)) std::memcpy(to->property64B, from.property64B, sizeof to->property64B);
    to->fileTimeA = from.fileTimeA;
    to->fileTimeB = from.fileTimeB;
    if (from.categoryId >= 0) to->categoryId = from.categoryId;
    to->recordSize = sizeof(MediaInfo);
}

}  // namespace

int32_t MediaDatabase::ChooseModifyTarget(MediaInfo* info) const {
    if (records_.InRange(info->recordIndex)) return info->recordIndex;  // a deleted slot too
    // By key name: the last live match wins.
    const TerminatedField key(info->keyName);
    const int32_t target = LastLiveWithKey(key.c_str());
    if (target < 0) return MVDB_ERR_NOT_FOUND;
    info->recordIndex = target;
    return target;
}

int32_t MediaDatabase::ModifyRecordAt(int32_t target, const MediaInfo& modification) {
    platform::CriticalSectionGuard guard(storeLock_);
    if (!records_.Update(target, [&](MediaElement& e) { ApplyModification(modification, &e.info); })) {
        return MVDB_ERR_NOT_FOUND;
    }
    WriteRecord(target);
    return target;
}

}  // namespace mvdb
