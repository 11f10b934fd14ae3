// Records as tests build them.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>

#include "mvdb.h"

namespace mvdb::test {

inline MediaInfo Media(const std::string& title, int32_t categoryId = 0, const std::string& keyName = "",
                       const std::string& hostName = "") {
    MediaInfo info{};
    std::snprintf(info.title, sizeof info.title, "%s", title.c_str());
    std::snprintf(info.location, sizeof info.location, "file://%s", title.c_str());
    std::snprintf(info.keyName, sizeof info.keyName, "%s", keyName.c_str());
    std::snprintf(info.hostName, sizeof info.hostName, "%s", hostName.c_str());
    info.categoryId = categoryId;
    info.mediaType = 0x100;
    return info;
}

inline CategoryInfo Category(const std::string& name, int32_t parentId, uint32_t accessFlags = 0) {
    CategoryInfo info{};
    std::snprintf(info.categoryName, sizeof info.categoryName, "%s", name.c_str());
    info.parentId = parentId;
    info.accessFlags = accessFlags;
    return info;
}

}  // namespace mvdb::test
