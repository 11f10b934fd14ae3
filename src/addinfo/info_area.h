// The info area behind each MediaInfo inside a media element: either one
// inline text (mode 0) or eight descriptors of info files (mode 1).
#pragma once

#include <cstddef>
#include <cstdint>

namespace mvdb {

inline constexpr int32_t kInfoModeInlineText = 0;
inline constexpr int32_t kInfoModeFiles = 1;
inline constexpr int32_t kInfoPieces = 8;

struct InfoDescriptor {
    int32_t infoType;
    int32_t infoSize;  // bytes in the info file; 0: no piece under this number
    uint8_t reserved[24];
};
static_assert(sizeof(InfoDescriptor) == 32);

struct InfoArea {
    int32_t infoMode;
    union {
        char inlineText[260];
        struct {
            InfoDescriptor descriptors[kInfoPieces];
            uint8_t reserved[4];
        } files;
    };
};
static_assert(sizeof(InfoArea) == 264);

}  // namespace mvdb
