// Registering clients, reading them back and recording their logins.
#include <cstring>

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

    // The lookup runs under the store lock, so two threads adding one new
    // name at once store it once.
    platform::CriticalSectionGuard guard(storeLock_);
    const Namesakes found = FindNamesakes(name.c_str(), kind == Kind::kUser);
    const int32_t live = found.live;
    const int32_t deleted = found.deleted;
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

bool ClientDatabase::Named(const ClientInfo& record, const char* name) const {
    const TerminatedField stored(record.clientName);
    return codePage_.CompareNoCase(stored.c_str(), name) == 0;
}

template <typename Accept>
int32_t ClientDatabase::NextNamed(const char* name, uint32_t hash, int32_t from, Accept&& accept) const {
    const NameIndex& names = Names().names();
    for (int32_t candidate = names.NextCandidate(hash, from); candidate >= 0;
         candidate = names.NextCandidate(hash, candidate + 1)) {
        if (records_.Test(candidate, [&](const ClientInfo& r) { return accept(r) && Named(r, name); })) {
            return candidate;
        }
    }
    return -1;
}

ClientDatabase::Namesakes ClientDatabase::FindNamesakes(const char* name, bool users) const {
    const Kind kind = users ? Kind::kUser : Kind::kClient;
    const uint32_t hash = Names().names().Hash(name, std::strlen(name));
    Namesakes found;
    for (int32_t i = NextNamed(name, hash, 0, [&](const ClientInfo& r) { return KindOf(r) == kind; }); i >= 0;
         i = NextNamed(name, hash, i + 1, [&](const ClientInfo& r) { return KindOf(r) == kind; })) {
        bool deleted = false;
        records_.Test(i, [&](const ClientInfo& r) { return deleted = IsDeleted(r); });
        if (!deleted) {
            found.live = i;
            break;
        }
        found.deleted = i;  // the last deleted namesake is the one revived
    }
    return found;
}

ClientDatabase::Namesakes ClientDatabase::FindNamesakesByScan(const char* name, bool users) const {
    const Kind kind = users ? Kind::kUser : Kind::kClient;
    Namesakes found;
    records_.ForEach([&](int32_t i, const ClientInfo& stored) {
        if (found.live >= 0 || KindOf(stored) != kind || !Named(stored, name)) return;
        if (IsDeleted(stored)) {
            found.deleted = i;
        } else {
            found.live = i;
        }
    });
    return found;
}

int32_t ClientDatabase::FindByName(const char* name) const {
    if (name == nullptr || format::CarriesUserPrefix(name)) return MVDB_ERR_NOT_FOUND;
    const uint32_t hash = Names().names().Hash(name, std::strlen(name));
    const int32_t index =
        NextNamed(name, hash, 0, [](const ClientInfo& r) { return KindOf(r) == Kind::kClient; });
    return index >= 0 ? index : MVDB_ERR_NOT_FOUND;
}

int32_t ClientDatabase::FindByNameByScan(const char* name) const {
    if (name == nullptr || format::CarriesUserPrefix(name)) return MVDB_ERR_NOT_FOUND;
    const int32_t index =
        records_.FindFirst([&](const ClientInfo& r) { return KindOf(r) == Kind::kClient && Named(r, name); });
    return index >= 0 ? index : MVDB_ERR_NOT_FOUND;
}

int32_t ClientDatabase::FindLiveUser(const char* recordName) const {
    const uint32_t hash = Names().names().Hash(recordName, std::strlen(recordName));
    return NextNamed(recordName, hash, 0,
                     [](const ClientInfo& r) { return !IsDeleted(r) && format::IsUserRecord(r); });
}

int32_t ClientDatabase::FindLiveUserByScan(const char* recordName) const {
    return records_.FindFirst([&](const ClientInfo& r) {
        return !IsDeleted(r) && format::IsUserRecord(r) && Named(r, recordName);
    });
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
