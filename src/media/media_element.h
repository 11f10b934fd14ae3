// The 1224-byte unit of the media array, the media file and the media
// result slots: the item as callers see it, then its info area.
#pragma once

#include <cstddef>

#include "addinfo/info_area.h"
#include "format/container.h"
#include "mvdb.h"

namespace mvdb {

using format::MediaElement;

inline bool IsDeleted(const MediaInfo& info) { return (info.mediaFlags & MVDB_MEDIA_DELETED) != 0; }
inline bool IsLive(const MediaInfo& info) {
    return (info.mediaType & MVDB_MEDIA_KIND_MASK) == MVDB_MEDIA_KIND_LIVE;
}

}  // namespace mvdb
