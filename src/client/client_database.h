// The registered clients and the user accounts, ClientInfo records whose
// position is their index, mirrored record by record to "MVDBCLT.db".
#pragma once

#include <cstdint>

#include "mvdb.h"
#include "platform/platform.h"
#include "storage/store.h"

namespace mvdb {

class ClientDatabase : public Store<ClientInfo, int32_t> {
public:
    ClientDatabase(SharedAccount& account, const platform::CodePage& codePage);
    ~ClientDatabase() override = default;

    int32_t Load();
    void Clear();

private:
    const platform::CodePage& codePage_;
};

}  // namespace mvdb
