// The info area: bytes 960 to 1223 of a media element, behind its
// MediaInfo. Mode 0 holds one inline text that counts as info number 0 with
// type 0; mode 1 holds eight descriptors of info files. Any other mode makes
// every info operation answer MVDB_ERR_INFO_MODE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace mvdb::format {

inline constexpr int32_t kInfoModeInlineText = 0;
inline constexpr int32_t kInfoModeFiles = 1;
inline constexpr int32_t kInfoPieces = 8;
inline constexpr size_t kInlineTextBytes = 260;

struct InfoDescriptor {
    int32_t infoType;  // the type it was written with: always its number
    int32_t infoSize;  // bytes in the info file; 0: no piece under this number
    uint8_t reserved[24];
};
static_assert(sizeof(InfoDescriptor) == 32);

struct InfoArea {
    int32_t infoMode;
    union {
        char inlineText[kInlineTextBytes];  // maybe without a NUL
        struct {
            InfoDescriptor descriptors[kInfoPieces];
            uint8_t reserved[4];
        } files;
    };
};
static_assert(sizeof(InfoArea) == 264);
static_assert(offsetof(InfoArea, files) == 4);

// The name of the info file of piece `number` of item `index` in the info
// folder: "MVDB<index>-<number>.dat", both in plain decimal.
std::string InfoFileName(int32_t index, int32_t number);

// The item and number of a name that InfoFileName builds (no sign, no
// leading zero, a one-digit number); nullopt for any other name.
struct InfoFileKey {
    int32_t index;
    int32_t number;
};
std::optional<InfoFileKey> ParseInfoFileName(const std::string& name);

// The names that the sweep before a reseed removes from the current
// folder: "MVDB", digits, "-", digits, ".dat".
bool IsInfoFileName(const std::string& name);

}  // namespace mvdb::format
