// The client catalogue's index by client name, for the lookups of clients
// and users by name. The record array tells it of every change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "mvdb.h"
#include "storage/name_index.h"
#include "storage/record_array.h"

namespace mvdb {

class ClientNameIndex final : public RecordObserver<ClientInfo> {
public:
    explicit ClientNameIndex(const platform::CodePage& codePage) : names_(codePage) {}

    void Changed(int32_t index, const ClientInfo& record) override {
        names_.Put(index, names_.Hash(record.clientName, sizeof record.clientName));
    }
    void Reset(const Records& records) override {
        std::vector<uint32_t> hashes(records.size());
        for (size_t i = 0; i < hashes.size(); ++i)
            hashes[i] = names_.Hash(records[i].clientName, sizeof records[i].clientName);
        names_.Assign(std::move(hashes));
    }

    const NameIndex& names() const { return names_; }

private:
    NameIndex names_;
};

}  // namespace mvdb
