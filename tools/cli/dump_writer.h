// `dump`: one database file decoded record by record, as a table or as
// JSON, read straight from the disk without a handle or a lock.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "cli/catalogue_file.h"
#include "cli/text_codec.h"

namespace mvdb::cli {

struct DumpOptions {
    std::optional<Catalogue> forcedKind;
    bool json = false;
    // Where a progress bar goes (nullptr: none), and from which file size on.
    std::ostream* progress = nullptr;
    uint64_t progressMinBytes = 0;
    // The name to show for the file when it differs from the path read (a
    // copy of standard input, say).
    std::string shownName;
};

// Writes the header (magic, the account's user name, never its password,
// the count and what the file holds) and every record the count names and
// the file holds. Throws FileError when the file cannot be read or its
// catalogue cannot be told.
void DumpFile(const std::string& path, const DumpOptions& options, const TextCodec& codec, std::ostream& out);

}  // namespace mvdb::cli
