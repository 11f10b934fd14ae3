// A bulk import: a whole batch of categories, media items and client
// records checked first and then stored as one change, with one write per
// file. Nothing is stored before every record has passed its checks, so a
// refused batch changes nothing; a batch that passes commits with the
// change open on the thread, which undoes its memory changes when the
// commit fails.
#include <cstring>
#include <unordered_map>

#include "catalogue/catalogue.h"
#include "format/user_record.h"
#include "storage/fixed_string.h"
#include "storage/transaction.h"

namespace mvdb {

namespace {

using Kind = ImportRefusal::Kind;

int32_t Refuse(ImportRefusal* refusal, Kind kind, size_t item, std::string reason) {
    refusal->kind = kind;
    refusal->item = item;
    refusal->reason = std::move(reason);
    return MVDB_ERR_INVALID;
}

bool CategoryLive(const CategoryInfo& c) { return (c.categoryStatus & MVDB_CATEGORY_DELETED) == 0; }
bool MediaDeleted(const MediaInfo& m) { return (m.mediaFlags & MVDB_MEDIA_DELETED) != 0; }
bool ClientDeleted(const ClientInfo& c) { return (c.clientFlags & MVDB_CLIENT_DELETED) != 0; }

// The category a replacing batch files an item in must be one of its own
// live categories; an appended item's must exist in the catalogue and
// allow additions, as for an add.
std::string CategoryProblem(const std::vector<CategoryInfo>& categories, int32_t id, bool forAdd) {
    if (id < 0 || static_cast<size_t>(id) >= categories.size() ||
        !CategoryLive(categories[static_cast<size_t>(id)])) {
        return "category " + std::to_string(id) + " does not exist";
    }
    if (forAdd && (categories[static_cast<size_t>(id)].accessFlags & MVDB_CATEGORY_NO_MEDIA_ADDITION) != 0)
        return "category " + std::to_string(id) + " forbids adding media";
    return {};
}

// The caseless keys of a name's characters, and its kind: names whose keys
// differ never compare equal.
std::string CaselessKeys(const platform::CodePage& codePage, const char* name, bool user) {
    std::string keys(1, user ? 'u' : 'c');
    const auto* p = reinterpret_cast<const unsigned char*>(name);
    while (*p != 0) {
        unsigned int c = *p++;
        if (codePage.IsLeadByte(static_cast<unsigned char>(c)) && *p != 0) c = c << 8 | *p++;
        const unsigned int key = codePage.CaselessKey(c);
        keys.append(reinterpret_cast<const char*>(&key), sizeof key);
    }
    return keys;
}

bool SameName(const char* a, const char* b, size_t size) { return std::strncmp(a, b, size) == 0; }

}  // namespace

int32_t Catalogue::Import(const ImportBatch& batch, ImportMode mode, ImportRefusal* refusal) {
    ImportRefusal ignored;
    if (refusal == nullptr) refusal = &ignored;
    *refusal = ImportRefusal{};
    const bool replace = mode == ImportMode::kReplace;
    platform::CriticalSectionGuard guard(changeLock_);

    // The categories the media items are checked against.
    std::vector<CategoryInfo> categories;
    if (replace) {
        for (size_t i = 0; i < batch.categories.size(); ++i) {
            if (batch.categories[i].categoryId != static_cast<int32_t>(i))
                return Refuse(refusal, Kind::kCategory, i,
                              "category id " + std::to_string(batch.categories[i].categoryId) +
                                  " is not its position " + std::to_string(i) + " among the categories");
        }
        if (batch.categories.empty() || !CategoryLive(batch.categories[0]))
            return Refuse(refusal, Kind::kCategory, 0, "the batch has no live Root category (id 0)");
        categories = batch.categories;
    } else {
        categories = categories_.records_.Snapshot();
        for (size_t i = 0; i < batch.categories.size(); ++i) {
            const CategoryInfo& wanted = batch.categories[i];
            const int32_t id = wanted.categoryId;
            if (id < 0 || static_cast<size_t>(id) >= categories.size() ||
                !CategoryLive(categories[static_cast<size_t>(id)]) ||
                !SameName(categories[static_cast<size_t>(id)].categoryName, wanted.categoryName,
                          sizeof wanted.categoryName)) {
                return Refuse(
                    refusal, Kind::kCategory, i,
                    "appending, category " + std::to_string(id) + " must already exist with the same name");
            }
        }
    }

    const int32_t now = platform::CurrentTime();
    // Appending, the items to store (live ones); replacing, the elements.
    std::vector<size_t> picked;
    std::vector<MediaElement> elements;
    if (replace) elements.reserve(batch.media.size());
    for (size_t i = 0; i < batch.media.size(); ++i) {
        const MediaInfo& item = batch.media[i];
        if (!replace && MediaDeleted(item)) continue;
        if (!replace || !MediaDeleted(item)) {
            const std::string problem = CategoryProblem(categories, item.categoryId, !replace);
            if (!problem.empty()) return Refuse(refusal, Kind::kMedia, i, problem);
        }
        if (replace) {
            // A restore: the record as it was, at its position.
            MediaElement element{};
            element.info = item;
            element.info.recordSize = sizeof(MediaInfo);
            element.info.recordIndex = static_cast<int32_t>(elements.size());
            elements.push_back(element);
        } else {
            picked.push_back(i);
        }
    }

    // Client records: never two live records of one name and kind.
    std::vector<ClientInfo> clients;
    clients.reserve(batch.clients.size());
    std::unordered_map<std::string, std::vector<std::string>> seen;
    const platform::CodePage& codePage = clients_.codePage();
    const int32_t firstClient = replace ? 0 : clients_.RecordCount();
    for (size_t i = 0; i < batch.clients.size(); ++i) {
        ClientInfo record = batch.clients[i];
        if (!replace && ClientDeleted(record)) continue;
        const TerminatedField name(record.clientName);
        if (name.c_str()[0] == '\0') return Refuse(refusal, Kind::kClient, i, "the record has no name");
        const bool user = format::IsUserRecord(record);
        // A client name that only looks like a user's is refused as a client change refuses it.
        if (!user && format::CarriesUserPrefix(name.c_str()))
            return Refuse(refusal, Kind::kClient, i, "a client name may not start with the user prefix");
        if (!ClientDeleted(record)) {
            // Names are told apart as the lookups tell them: the code page's
            // caseless keys narrow, its comparison decides.
            std::vector<std::string>& bucket = seen[CaselessKeys(codePage, name.c_str(), user)];
            for (const std::string& other : bucket) {
                if (codePage.CompareNoCase(other.c_str(), name.c_str()) == 0)
                    return Refuse(refusal, Kind::kClient, i, "a second live record of that name");
            }
            bucket.push_back(name.c_str());
            if (!replace && clients_.FindNamesakes(name.c_str(), user).live >= 0)
                return Refuse(refusal, Kind::kClient, i, "a live record of that name exists already");
        }
        record.recordSize = sizeof(ClientInfo);
        record.recordIndex = firstClient + static_cast<int32_t>(clients.size());
        if (!replace) {
            record.clientFlags = 0;
            record.loginTime = now;
        }
        clients.push_back(record);
    }

    // Every record has passed: store them, one write per file.
    int32_t rc = 0;
    if (replace) {
        {
            platform::CriticalSectionGuard store(categories_.storeLock_);
            categories_.records_.Replace(categories);
            rc = categories_.SaveAll();
        }
        if (rc == 0) rc = media_.ReplaceAllImported(std::move(elements));
        if (rc == 0) {
            platform::CriticalSectionGuard store(clients_.storeLock_);
            clients_.records_.Replace(clients);
            rc = clients_.SaveAll();
        }
    } else {
        if (!picked.empty()) rc = media_.AppendImported(batch.media, picked, now);
        if (rc >= 0 && !clients.empty()) {
            platform::CriticalSectionGuard store(clients_.storeLock_);
            const int32_t first = clients_.records_.AppendWith(
                clients.size(), [&clients](size_t i, ClientInfo& record) { record = clients[i]; });
            rc = clients_.WriteRange(first, static_cast<int32_t>(clients.size()));
        }
    }
    if (rc < 0) {
        // Nothing of the change may stay: the transaction open on the thread
        // is dropped by its owner, which undoes the memory changes.
        return rc;
    }
    return Committed(0);
}

void Catalogue::Export(ImportBatch* out) {
    platform::CriticalSectionGuard guard(changeLock_);
    out->categories = categories_.records_.Snapshot();
    const std::vector<MediaElement> elements = media_.records_.Snapshot();
    out->media.clear();
    out->media.reserve(elements.size());
    for (const MediaElement& element : elements) out->media.push_back(element.info);
    out->clients = clients_.records_.Snapshot();
}

}  // namespace mvdb
