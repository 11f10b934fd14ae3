// What a bulk import brings into the catalogue, and why one was refused.
// The catalogue takes a whole batch as ONE change (Catalogue::Import): its
// records are checked first, then stored with one write per file and one
// flush; when anything is refused or the change cannot be made durable the
// catalogue stays as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "mvdb.h"

namespace mvdb {

struct ImportBatch {
    // Replacing, the categories in position order (each one's id is its
    // position); appending, categories that must already exist as given
    // (same id and name, live).
    std::vector<CategoryInfo> categories;
    // Media items, in the order they are to be stored. Replacing, they
    // become positions 0.. as given (deleted ones included, so positions
    // and identities survive); appending, the live ones are added after the
    // existing items, as an add would store them (stamped now, this host
    // when they name none), and deleted ones are skipped.
    std::vector<MediaInfo> media;
    // Client and user records (users by the "global\" prefix). Replacing,
    // they become the client file as given; appending, each is added at the
    // end and a name that already has a live record of its kind is refused.
    std::vector<ClientInfo> clients;
};

enum class ImportMode { kAppend, kReplace };

// The record that made an import refuse the batch.
struct ImportRefusal {
    enum class Kind { kNone, kCategory, kMedia, kClient } kind = Kind::kNone;
    size_t item = 0;  // its position in the batch's vector of that kind
    std::string reason;
};

}  // namespace mvdb
