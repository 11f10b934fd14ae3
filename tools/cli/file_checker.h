// `check`: looks for damage in database files without opening a handle or
// taking a lock, reading the files as they are on the disk.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/catalogue_file.h"
#include "cli/findings.h"
#include "cli/text_codec.h"

namespace mvdb::cli {

struct CheckOptions {
    std::vector<std::string> files;
    // Every file is taken for this catalogue instead of telling it.
    std::optional<Catalogue> forcedKind;
    // Where the info files of the media items lie; nullopt: the folder
    // "Info" beside the media file when there is one, else not checked.
    std::optional<std::string> infoFolder;
    // Where progress bars go (nullptr: none), and from which file size on.
    std::ostream* progress = nullptr;
    uint64_t progressMinBytes = 0;
};

struct CheckedFile {
    std::string path;
    std::optional<Catalogue> kind;
    uint64_t records = 0;  // records checked
    std::string error;     // why the file could not be read; empty when it was
};

struct CheckReport {
    std::vector<CheckedFile> files;
    std::vector<Finding> findings;
    bool AnyUnreadable() const;
};

// Checks the files one by one, then what the files say about each other:
// the categories the media items name, the info files of the items.
CheckReport CheckFiles(const CheckOptions& options, const TextCodec& codec);

}  // namespace mvdb::cli
