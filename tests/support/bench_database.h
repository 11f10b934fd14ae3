// A database folder for benchmarks: the registry and lock folder point into
// a fresh folder, and media files of any size can be written straight away.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "mvdb.h"
#include "support/temp_folder.h"
#include "support/test_registry.h"

namespace mvdb::bench {

// Item i of the generated catalogues: titles "Title <i>", one location and
// key name each, two in three of host "benchhost", updateTime i.
MediaInfo BenchMediaItem(int32_t i);

// One criteria node, required, that finds `pattern` in item titles without
// regard to case: the text search the benchmarks time.
FindCriteria TitleTextNode(const char* pattern);

class BenchDatabase {
public:
    BenchDatabase();
    ~BenchDatabase();

    // Opens the database once its files are written; closed with the object.
    MVDB_HANDLE Open();
    // Closes the handle Open gave, if any.
    void Close();

    // Writes a media file of `elements` items (not live, in the Root) and
    // returns its path.
    std::string WriteMediaFile(int32_t elements);
    std::string mediaFile() const { return folder_ / "MVDBMF.db"; }
    std::string clientFile() const { return folder_ / "MVDBCLT.db"; }

private:
    test::TempFolder folder_;
    test::TestRegistry registry_;
    MVDB_HANDLE handle_ = MVDB_INVALID_HANDLE;
};

}  // namespace mvdb::bench
