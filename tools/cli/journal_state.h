// What the journal beside a media file holds: the changes a crash left in
// it that opening the database will replay into the files.
#pragma once

#include <cstdint>
#include <string>

namespace mvdb::cli {

struct JournalState {
    std::string path;
    bool present = false;
    uint64_t bytes = 0;
    size_t pendingChanges = 0;  // complete frames not yet known to be in the files
};

JournalState InspectJournal(const std::string& mediaFile);

}  // namespace mvdb::cli
