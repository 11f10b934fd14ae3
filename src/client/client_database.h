// The registered clients and the user accounts, ClientInfo records whose
// position is their index, mirrored record by record to "MVDBCLT.db".
#pragma once

#include <cstdint>

#include "client/client_name_index.h"
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

    // Client operations (client_operations.cc). They never create, match,
    // change or return a user record: a name carrying the user prefix in
    // any case is refused with -1 by the changes and found by no lookup,
    // and a user record's index answers -4.
    int32_t AddRecord(ClientInfo* record);
    int32_t DeleteRecord(int32_t index);
    int32_t ReplaceRecord(int32_t index, ClientInfo* record);
    int32_t GetRecord(int32_t index, ClientInfo* out) const;
    // The index of the first client record of that name, deleted ones
    // included; -3 when none bears it.
    int32_t FindByName(const char* name) const;
    int32_t Login(ClientInfo* record);

    // User accounts (user_accounts.cc).
    int32_t AddUser(const DBAccount* account);
    int32_t DeleteUser(int32_t index);
    int32_t ModifyUser(int32_t index, const DBAccount* account);
    int32_t LoginUser(const char* userName, const char* password) const;
    int32_t CollectUsers(int32_t slot);
    int32_t GetCollectedUser(int32_t position, DBAccount* out, int32_t slot) const;

    // The lookups by name behind the operations above, each answered by the
    // name index and, as the reference it must always agree with, by a scan
    // of every record.
    // The first live record of a namesake of this kind and, before it, the
    // last deleted one (-1 for none).
    struct Namesakes {
        int32_t live = -1;
        int32_t deleted = -1;
    };
    Namesakes FindNamesakes(const char* name, bool users) const;
    Namesakes FindNamesakesByScan(const char* name, bool users) const;
    int32_t FindByNameByScan(const char* name) const;
    // The first live user record of that whole name ("global\<user>").
    int32_t FindLiveUser(const char* recordName) const;
    int32_t FindLiveUserByScan(const char* recordName) const;
    // The code page whose caseless equality names are compared by.
    const platform::CodePage& codePage() const { return codePage_; }
    size_t NameIndexBytes() const { return Names().names().MemoryBytes(); }

private:
    // Clients and users share the array; each kind of operation sees its own.
    enum class Kind { kClient, kUser };
    static Kind KindOf(const ClientInfo& record);

    // Writes `record` over index `index` (or appends it when index is the
    // count) under the store lock, with the login time stamped when asked.
    int32_t PutRecord(int32_t index, ClientInfo record, bool stampLogin) MVDB_REQUIRES(storeLock_);
    // Stores `record` over a live namesake of the same kind, else over the
    // last deleted one, else at the end; returns the index.
    int32_t AddOfKind(ClientInfo* record, Kind kind);
    // Replaces, or marks deleted, the record at `index` when it is of `kind`.
    int32_t ReplaceOfKind(int32_t index, ClientInfo* record, Kind kind);
    int32_t DeleteOfKind(int32_t index, Kind kind);
    int32_t ReadUserAccount(int32_t index, DBAccount* out) const;

    // The first record at or after `from` that bears `name` and passes
    // accept(record); -1 when none.
    template <typename Accept>
    int32_t NextNamed(const char* name, uint32_t hash, int32_t from, Accept&& accept) const;
    bool Named(const ClientInfo& record, const char* name) const;

    // The index, brought up to date first when a load left it behind.
    const ClientNameIndex& Names() const {
        records_.RefreshObserver();
        return nameIndex_;
    }

    const platform::CodePage& codePage_;
    ClientNameIndex nameIndex_;
};

}  // namespace mvdb
