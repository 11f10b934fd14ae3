// The 264-byte info area behind each MediaInfo in a media element: one
// inline text (mode 0) or eight descriptors of info files (mode 1).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace mvdb::cli {

inline constexpr int32_t kInlineTextMode = 0;
inline constexpr int32_t kInfoFilesMode = 1;
inline constexpr int kInfoPieces = 8;
inline constexpr size_t kInfoAreaOffset = 960;
inline constexpr size_t kInlineTextBytes = 260;

struct InfoDescriptor {
    int32_t type;
    int32_t size;  // bytes in the info file; 0: no piece under this number
};

struct InfoArea {
    int32_t mode = 0;
    const char* inlineText = nullptr;  // kInlineTextBytes bytes, maybe without a NUL
    InfoDescriptor descriptors[kInfoPieces] = {};
};

// The info area of a whole 1224-byte media element.
inline InfoArea ReadInfoArea(const char* element) {
    InfoArea area;
    const char* bytes = element + kInfoAreaOffset;
    std::memcpy(&area.mode, bytes, sizeof area.mode);
    area.inlineText = bytes + 4;
    for (int n = 0; n < kInfoPieces; ++n) {
        std::memcpy(&area.descriptors[n].type, bytes + 4 + 32 * n, 4);
        std::memcpy(&area.descriptors[n].size, bytes + 8 + 32 * n, 4);
    }
    return area;
}

// The file name of piece `number` of item `index`, as the library names it.
inline std::string InfoFileName(int64_t index, int number) {
    return "MVDB" + std::to_string(index) + "-" + std::to_string(number) + ".dat";
}

}  // namespace mvdb::cli
