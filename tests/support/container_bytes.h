// Database files built and taken apart byte by byte, to set up damaged or
// unusual files and to check what the library wrote.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "mvdb.h"

namespace mvdb::test {

inline constexpr char kMagic[] = "Marovale data base ver 0.9";

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
    const size_t offset = 174 + index * recordSize;
    if (offset + sizeof(Record) <= bytes.size()) std::memcpy(&record, bytes.data() + offset, sizeof(Record));
    return record;
}

// The media item in an element of the media file (1224 bytes each).
MediaInfo MediaInFile(const std::string& bytes, size_t index);

}  // namespace mvdb::test
