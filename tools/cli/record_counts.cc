#include "cli/record_counts.h"

#include <cstring>
#include <functional>

#include "cli/catalogue_file.h"
#include "cli/record_json.h"
#include "format/user_record.h"
#include "mvdb.h"

namespace mvdb::cli {

namespace {

// Calls `visit` with each record of a file whose header is sound.
void VisitRecords(const std::string& path, Catalogue kind, const std::function<void(const char*)>& visit,
                  std::string* accountUserName = nullptr) {
    try {
        CatalogueFile file(path);
        if (!file.magicIsValid() || !file.count()) return;
        if (accountUserName != nullptr) {
            const DBAccount& account = file.storedAccount();
            *accountUserName = FieldText(account.userName, sizeof account.userName);
        }
        VisitRecords(file, TraitsOf(kind).fileRecordSize, [&](uint64_t, const char* bytes) { visit(bytes); });
    } catch (const FileError&) {
    }
}

void Count(LiveAndDeleted* counts, bool deleted) { ++(deleted ? counts->deleted : counts->live); }

}  // namespace

CatalogueCounts CountFromFiles(const CatalogueFiles& files) {
    CatalogueCounts counts;
    VisitRecords(files.category, Catalogue::kCategory, [&](const char* bytes) {
        CategoryInfo info;
        std::memcpy(&info, bytes, sizeof info);
        Count(&counts.categories, info.categoryStatus & MVDB_CATEGORY_DELETED);
    });
    VisitRecords(
        files.media, Catalogue::kMedia,
        [&](const char* bytes) {
            MediaInfo info;
            std::memcpy(&info, bytes, sizeof info);
            Count(&counts.media, info.mediaFlags & MVDB_MEDIA_DELETED);
        },
        &counts.accountUserName);
    CountClientFile(files.client, &counts);
    return counts;
}

void CountClientFile(const std::string& clientFile, CatalogueCounts* counts) {
    counts->clients = {};
    counts->users = {};
    VisitRecords(clientFile, Catalogue::kClient, [&](const char* bytes) {
        ClientInfo info;
        std::memcpy(&info, bytes, sizeof info);
        Count(format::IsUserRecord(info) ? &counts->users : &counts->clients,
              info.clientFlags & MVDB_CLIENT_DELETED);
    });
}

}  // namespace mvdb::cli
