// The object behind an MVDB_HANDLE: the duplication mutex that admits one
// open database at a time, the shared account, and the three stores.
#pragma once

#include <memory>
#include <string>

#include "catalogue/catalogue.h"
#include "category/category_database.h"
#include "client/client_database.h"
#include "media/media_database.h"
#include "mvdb.h"
#include "platform/platform.h"
#include "storage/journal.h"
#include "storage/shared_account.h"

struct MvdbDatabase_ {};

namespace mvdb {

inline constexpr char kDuplicationMutexName[] = "Marovale Database Duplication Check Mutex";

class DatabaseHandle : public MvdbDatabase_ {
public:
    // Builds a handle and its stores; nullptr when another handle is open
    // or the handle cannot be built.
    static std::unique_ptr<DatabaseHandle> Open();
    virtual ~DatabaseHandle();

    SharedAccount& account() { return *account_; }
    CategoryDatabase& categories() { return *categories_; }
    MediaDatabase& media() { return *media_; }
    ClientDatabase& clients() { return *clients_; }
    // The rules that span stores; every change of categories or media.
    Catalogue& catalogue() { return *catalogue_; }
    const platform::CodePage& codePage() const { return *codePage_; }

    // Sets the shared account and writes it into the three headers (only
    // the headers) as one change: 0 or MVDB_ERR_WRITE, the account then
    // unchanged.
    int32_t SetAccount(const DBAccount& account);

    // The journal every change of this handle commits through; nullptr when
    // this opener does not write the files.
    Journal* journal() { return journal_.get(); }

private:
    DatabaseHandle() = default;
    // Opens the journal and replays what a crash left in it; false when
    // frames could not be replayed (the handle must not open then).
    bool OpenJournal();

    std::unique_ptr<platform::NamedMarker> duplicationMutex_;
    std::unique_ptr<platform::CodePage> codePage_;
    std::unique_ptr<SharedAccount> account_;
    std::unique_ptr<Journal> journal_;
    std::unique_ptr<MediaDatabase> media_;
    std::unique_ptr<ClientDatabase> clients_;
    std::unique_ptr<CategoryDatabase> categories_;
    std::unique_ptr<Catalogue> catalogue_;
    std::string serverHostName_;
};

// The handle behind a caller's value; nullptr for a null value.
inline DatabaseHandle* FromHandle(MVDB_HANDLE handle) { return static_cast<DatabaseHandle*>(handle); }

}  // namespace mvdb
