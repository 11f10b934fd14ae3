// A small database written through the library, for the tool to look at,
// and byte-level edits that damage its files the way a crash or a careless
// program would.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "format/container.h"
#include "mvdb.h"
#include "support/test_database.h"

namespace mvdb::test {

// What SampleDatabaseTest::SetUp writes:
//   categories 0 Root, 1 Live Video, 2 Films (below 0), 3 Kids (below 2),
//              4 Old (deleted)
//   media      0..19 the live channels (category 1), 20 "Night Film" in 2,
//              21 "Cartoon Hour" in 3 with info 0 (5 bytes) and info 3
//              (10 bytes), 22 "Gone" (deleted)
//   clients    0 "tv-box", 1 user "alice" (level 4, password "s3cret")
struct Sample {
    static constexpr int32_t kFilms = 2;
    static constexpr int32_t kKids = 3;
    static constexpr int32_t kOld = 4;
    static constexpr int32_t kNightFilm = 20;
    static constexpr int32_t kCartoon = 21;
    static constexpr int32_t kGone = 22;
};

// The files of a database folder.
struct DatabaseFiles {
    std::string categories;
    std::string media;
    std::string clients;
    std::string info;  // the info folder
    std::string InfoFile(const std::string& name) const;
};

class SampleDatabaseTest : public DatabaseTest {
protected:
    void SetUp() override;
    DatabaseFiles files() const { return {categoryFile(), mediaFile(), clientFile(), infoFolder()}; }
};

// The default live-video category's name as the tool prints it in JSON
// (UTF-8), in the code page of this process: "Live Video", or the Japanese
// name in code page 932.
std::string LiveVideoName();
// UTF-8 text as the tool prints it in its text output.
std::string Displayed(const std::string& utf8);
// Text layouts are compared in the Western code page, where every name has
// one byte a column.
bool InWesternCodePage();

// Edits of a file in place.
void PutInt32(const std::string& path, uint64_t offset, int32_t value);
void PutBytes(const std::string& path, uint64_t offset, const std::string& bytes);
void Truncate(const std::string& path, uint64_t size);

// Where records lie in the files.
inline uint64_t CategoryAt(int32_t position) {
    return format::kRecordsOffset + format::kCategoryFormat.fileRecordSize * static_cast<uint64_t>(position);
}
inline uint64_t MediaAt(int32_t index) {
    return format::kRecordsOffset + format::kMediaFormat.fileRecordSize * static_cast<uint64_t>(index);
}
inline uint64_t ClientAt(int32_t index) {
    return format::kRecordsOffset + format::kClientFormat.fileRecordSize * static_cast<uint64_t>(index);
}
// Where a file's record count and account block lie, and a media element's info area.
inline constexpr uint64_t kCountAt = format::kCountOffset;
inline constexpr uint64_t kAccountPasswordLengthAt =
    format::kAccountOffset + offsetof(DBAccount, passwordLength);
inline constexpr uint64_t kInfoAreaAt = offsetof(format::MediaElement, infoArea);

}  // namespace mvdb::test
