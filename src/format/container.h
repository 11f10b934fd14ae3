// The database file container that the three catalogue files share, and
// what tells the three catalogues apart. All integers are little-endian.
//
//   byte 0    26 bytes   the magic "Marovale data base ver 0.9", no NUL
//   byte 26   144 bytes  the DBAccount block, password scrambled
//   byte 170  int32      the record count (signed)
//   byte 174  records    record i at 174 + recordSize * i, in array order
//
// A record's position is its identity: its index in memory, its place in
// the file and, for media, part of its info file names. Deleted records
// stay in place and are counted. Bytes behind the last counted record are
// not part of the format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "format/info_area.h"
#include "mvdb.h"

namespace mvdb::format {

inline constexpr char kFileMagic[] = "Marovale data base ver 0.9";
inline constexpr size_t kMagicBytes = sizeof(kFileMagic) - 1;
inline constexpr uint64_t kAccountOffset = 26;
inline constexpr uint64_t kAccountBytes = sizeof(DBAccount);
inline constexpr uint64_t kCountOffset = 170;
inline constexpr uint64_t kRecordsOffset = 174;
static_assert(kMagicBytes == kAccountOffset);
static_assert(kAccountOffset + kAccountBytes == kCountOffset);
static_assert(kCountOffset + sizeof(int32_t) == kRecordsOffset);

// The records that cross the interface are stored byte for byte; mvdb.h
// asserts their sizes and field offsets.

// A media element: the unit of the media array and the media file. The item
// as callers see it, then its info area (the media result slots keep only
// the item).
struct MediaElement {
    MediaInfo info;
    InfoArea infoArea;
};
static_assert(sizeof(MediaElement) == 1224);
static_assert(offsetof(MediaElement, infoArea) == 960);

// The info area of a media element read as bytes (1224 of them).
InfoArea InfoAreaOf(const char* elementBytes);

enum class Catalogue { kCategory, kClient, kMedia };

struct CatalogueFormat {
    Catalogue kind;
    const char* name;           // "category", "client", "media"
    const char* fileName;       // the default file name
    const char* registryValue;  // the Folder value that holds the file's full path
    uint32_t fileRecordSize;    // bytes per record in the file
    uint32_t recordSizeField;   // what each record's own leading size field holds
};

inline constexpr CatalogueFormat kCategoryFormat{
    Catalogue::kCategory, "category", "MVDBCAT.db", "DBCATEGORY", sizeof(CategoryInfo), sizeof(CategoryInfo)};
inline constexpr CatalogueFormat kClientFormat{Catalogue::kClient, "client",           "MVDBCLT.db",
                                               "DBHOST",           sizeof(ClientInfo), sizeof(ClientInfo)};
inline constexpr CatalogueFormat kMediaFormat{Catalogue::kMedia,    "media",          "MVDBMF.db", "DBMEDIA",
                                              sizeof(MediaElement), sizeof(MediaInfo)};
inline constexpr CatalogueFormat kCatalogueFormats[] = {kCategoryFormat, kClientFormat, kMediaFormat};

inline constexpr const CatalogueFormat& FormatOf(Catalogue kind) {
    return kind == Catalogue::kCategory ? kCategoryFormat
           : kind == Catalogue::kClient ? kClientFormat
                                        : kMediaFormat;
}

// The clientFlags value of a deleted client or user record, the bit of a
// deleted category and of a deleted media item.
inline constexpr int32_t kClientDeleted = MVDB_CLIENT_DELETED;

}  // namespace mvdb::format
