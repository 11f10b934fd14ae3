// A database file read straight from the disk, without the library and
// without any lock: the container header, which catalogue the file holds,
// and its records in blocks. What `dump` and `check` work from.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "format/container.h"
#include "mvdb.h"

namespace mvdb::cli {

using format::kAccountBytes;
using format::kAccountOffset;
using format::kCountOffset;
using format::kFileMagic;
using format::kMagicBytes;
using format::kRecordsOffset;

using format::Catalogue;
// Which catalogue a file holds, and its record sizes (`name` is the
// --type word).
using CatalogueTraits = format::CatalogueFormat;

const CatalogueTraits& TraitsOf(Catalogue kind);
// The catalogue named by a --type word, when it names one.
std::optional<Catalogue> CatalogueNamed(const std::string& word);

// A file that cannot be opened or read at all.
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CatalogueFile {
public:
    // Opens the file and reads its header; throws FileError when the file
    // cannot be opened.
    explicit CatalogueFile(const std::string& path);

    const std::string& path() const { return path_; }
    uint64_t size() const { return size_; }

    // The magic's bytes as text (bounded, up to a NUL) and whether they are
    // the magic.
    const std::string& magicText() const { return magicText_; }
    bool magicIsValid() const { return magicIsValid_; }
    // How many bytes of the account block the file holds, and
    // the block as stored (password still scrambled).
    uint64_t accountBytesHeld() const { return accountBytesHeld_; }
    const DBAccount& storedAccount() const { return account_; }
    // The record count, when the file holds it.
    std::optional<int32_t> count() const { return count_; }

    // How many whole records of `recordSize` bytes follow the header.
    uint64_t RecordsHeld(uint32_t recordSize) const;

    // Which catalogue this is: `forced` when given, else told by the file
    // name (MVDBCAT.db, MVDBCLT.db, MVDBMF.db, any case), else by the size
    // field of the first record, else by the only record size that the
    // count and the file size agree on.
    std::optional<Catalogue> Tell(std::optional<Catalogue> forced) const;

    // Reads `n` records of `recordSize` bytes starting at record `first`;
    // false when the file ends before they are all read.
    bool ReadRecords(uint64_t first, uint64_t n, uint32_t recordSize, std::vector<char>* out);

private:
    std::string path_;
    std::ifstream in_;
    uint64_t size_ = 0;
    std::string magicText_;
    bool magicIsValid_ = false;
    uint64_t accountBytesHeld_ = 0;
    DBAccount account_{};
    std::optional<int32_t> count_;
};

// The records that a sound header promises and the file holds: the count
// cut to the whole records present, 0 for a missing or negative count.
uint64_t RecordsToRead(const CatalogueFile& file, uint32_t recordSize);

// Calls `visit` with the position and bytes of each of those records, read
// in blocks, and `progress` with the number done after each block. False
// when a block cannot be read; the records before it have been visited.
bool VisitRecords(CatalogueFile& file, uint32_t recordSize,
                  const std::function<void(uint64_t, const char*)>& visit,
                  const std::function<void(uint64_t)>& progress = {});

// The records of a client file whose header is sound, deleted ones
// included, in file order; empty when the file cannot be read. The client
// functions of the library never hand out user records, so the tool reads
// them here, while its own handle keeps the file as the library holds it.
std::vector<ClientInfo> ReadClientRecords(const std::string& path);

}  // namespace mvdb::cli
