// Live and deleted records of each catalogue, counted from the files when
// the library cannot be asked (another program has the database open).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mvdb::cli {

struct LiveAndDeleted {
    int64_t live = 0;
    int64_t deleted = 0;
};

struct CatalogueCounts {
    LiveAndDeleted categories;
    LiveAndDeleted media;
    LiveAndDeleted clients;  // client records that are not users
    LiveAndDeleted users;
    std::string accountUserName;  // of the media file, as the library adopts it; database bytes
};

struct CatalogueFiles {
    std::string category;
    std::string media;
    std::string client;
};

// Counts what the files hold; a file that cannot be read, or whose header
// is damaged, counts as empty.
CatalogueCounts CountFromFiles(const CatalogueFiles& files);
// Counts the clients and users of a client file the same way.
void CountClientFile(const std::string& clientFile, CatalogueCounts* counts);

}  // namespace mvdb::cli
