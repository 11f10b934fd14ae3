// Registering clients, reading them back and recording their logins.
#include "client/client_database.h"
#include "format/user_record.h"
#include "storage/fixed_string.h"

namespace mvdb {

namespace {

bool IsDeleted(const ClientInfo& record) { return (record.clientFlags & MVDB_CLIENT_DELETED) != 0; }

}  // namespace

ClientDatabase::Kind ClientDatabase::KindOf(const ClientInfo& record) {
    return format::IsUserRecord(record) ? Kind::kUser : Kind::kClient;
}

int32_t ClientDatabase::PutRecord(int32_t index, ClientInfo record, bool stampLogin) {
    if (stampLogin) record.loginTime = platform::CurrentTime();
    if (index == records_.Size()) {
        index = records_.Append(record);
    } else {
        records_.Set(index, record);
    }
    WriteRecord(index);
    return index;
}

int32_t ClientDatabase::AddRecord(ClientInfo* record) {
    if (record == nullptr) return MVDB_ERR_INVALID;
    const TerminatedField name(record->clientName);
    if (format::CarriesUserPrefix(name.c_str())) return MVDB_ERR_INVALID;
    return AddOfKind(record, Kind::kClient);
}

int32_t ClientDatabase::AddOfKind(ClientInfo* record, Kind kind) {
    record->recordSize = sizeof(ClientInfo);
    const TerminatedField name(record->clientName);

    // The scan runs under the store lock, so two threads adding one new
    // name at once store it once.
    platform::CriticalSectionGuard guard(storeLock_);
    int32_t live = -1;
    int32_t deleted = -1;
    records_.ForEach([&](int32_t i, const ClientInfo& stored) {
        if (live >= 0 || KindOf(stored) != kind) return;
        const TerminatedField storedName(stored.clientName);
        if (codePage_.CompareNoCase(storedName.c_str(), name.c_str()) != 0) return;
        if (IsDeleted(stored)) {
            deleted = i;  // the last deleted namesake is the one revived
        } else {
            live = i;
        }
    });
    record->clientFlags = 0;
    if (live >= 0 || deleted >= 0) {
        // A live namesake is overwritten in place, else a deleted one revived.
        record->recordIndex = live >= 0 ? live : deleted;
        return PutRecord(record->recordIndex, *record, true);
    }
    record->loginTime = platform::CurrentTime();
    record->recordIndex = records_.Size();
    return PutRecord(record->recordIndex, *record, false);
}

int32_t ClientDatabase::DeleteRecord(int32_t index) { return DeleteOfKind(index, Kind::kClient); }

int32_t ClientDatabase::DeleteOfKind(int32_t index, Kind kind) {
    platform::CriticalSectionGuard guard(storeLock_);
    ClientInfo stored;
    if (!records_.Get(index, &stored) || KindOf(stored) != kind) return MVDB_ERR_OUT_OF_RANGE;
    records_.Update(index, [](ClientInfo& r) { r.clientFlags = MVDB_CLIENT_DELETED; });
    WriteRecord(index);
    return 0;
}

int32_t ClientDatabase::ReplaceRecord(int32_t index, ClientInfo* record) {
    return ReplaceOfKind(index, record, Kind::kClient);
}

int32_t ClientDatabase::ReplaceOfKind(int32_t index, ClientInfo* record, Kind kind) {
    if (record == nullptr) return MVDB_ERR_NO_RECORD;
    platform::CriticalSectionGuard guard(storeLock_);
    ClientInfo stored;
    if (!records_.Get(index, &stored) || KindOf(stored) != kind) return MVDB_ERR_OUT_OF_RANGE;
    // A client record never turns into a user record, nor a user into a
    // client: the new name must keep the kind of the old.
    const TerminatedField name(record->clientName);
    const bool namesAUser =
        kind == Kind::kUser ? format::IsUserRecord(*record) : format::CarriesUserPrefix(name.c_str());
    if (namesAUser != (kind == Kind::kUser)) return MVDB_ERR_INVALID;
    record->recordIndex = index;
    stored = *record;
    stored.recordSize = sizeof(ClientInfo);
    return PutRecord(index, stored, false) >= 0 ? 0 : MVDB_ERR_OUT_OF_RANGE;
}

int32_t ClientDatabase::GetRecord(int32_t index, ClientInfo* out) const {
    if (out == nullptr) return MVDB_ERR_INVALID;
    ClientInfo stored;
    if (!records_.Get(index, &stored) || KindOf(stored) != Kind::kClient) return MVDB_ERR_OUT_OF_RANGE;
    *out = stored;
    return 0;
}

int32_t ClientDatabase::FindByName(const char* name) const {
    if (name == nullptr || format::CarriesUserPrefix(name)) return MVDB_ERR_NOT_FOUND;
    const int32_t index = records_.FindFirst([&](const ClientInfo& r) {
        if (KindOf(r) != Kind::kClient) return false;
        const TerminatedField stored(r.clientName);
        return codePage_.CompareNoCase(stored.c_str(), name) == 0;
    });
    return index >= 0 ? index : MVDB_ERR_NOT_FOUND;
}

int32_t ClientDatabase::Login(ClientInfo* record) {
    if (record == nullptr) return MVDB_ERR_INVALID;
    const TerminatedField name(record->clientName);
    if (format::CarriesUserPrefix(name.c_str())) return MVDB_ERR_INVALID;
    record->loginTime = platform::CurrentTime();
    const int32_t index = FindByName(name.c_str());
    if (index >= 0) return ReplaceRecord(index, record);
    return AddRecord(record);
}

}  // namespace mvdb
