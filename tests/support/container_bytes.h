// Database files built and taken apart byte by byte, to set up damaged or
// unusual files and to check what the library wrote.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "format/container.h"
#include "mvdb.h"

namespace mvdb::test {

inline constexpr const char* kMagic = format::kFileMagic;

// Where things lie in a file, from the one definition of the format.
using format::kAccountOffset;
using format::kCountOffset;
using format::kMagicBytes;
using format::kRecordsOffset;
inline constexpr size_t kMediaElementBytes = sizeof(format::MediaElement);
inline constexpr size_t kInfoAreaOffset = offsetof(format::MediaElement, infoArea);
inline constexpr size_t kAccountPasswordLengthOffset = kAccountOffset + offsetof(DBAccount, passwordLength);
// The byte at which record `index` of `recordSize` bytes starts.
inline constexpr size_t RecordOffset(size_t index, size_t recordSize) {
    return kRecordsOffset + index * recordSize;
}
inline constexpr size_t MediaElementOffset(size_t index) { return RecordOffset(index, kMediaElementBytes); }

// A whole container: magic, the account (scrambled here), count, records.
std::string ContainerBytes(const DBAccount& plainAccount, int32_t count, const std::string& records);

template <typename Record>
std::string RecordBytes(const std::vector<Record>& records) {
    return std::string(reinterpret_cast<const char*>(records.data()), records.size() * sizeof(Record));
}

int32_t CountInFile(const std::string& bytes);
// The account block of a file, unscrambled.
DBAccount AccountInFile(const std::string& bytes);

template <typename Record>
Record RecordInFile(const std::string& bytes, size_t index, size_t recordSize = sizeof(Record)) {
    Record record{};
    const size_t offset = RecordOffset(index, recordSize);
    if (offset + sizeof(Record) <= bytes.size()) std::memcpy(&record, bytes.data() + offset, sizeof(Record));
    return record;
}

// The media item in an element of the media file.
MediaInfo MediaInFile(const std::string& bytes, size_t index);

}  // namespace mvdb::test
