// Clients and users: every record knows its own position, and no two live
// records share a name (the library looks records up by name).
#include <cctype>
#include <cstring>
#include <map>

#include "cli/check_steps.h"
#include "cli/record_json.h"

namespace mvdb::cli {

namespace {

// Names compare without regard to case; folding ASCII letters is enough to
// find the names that the library would take for one.
std::string NameKey(const ClientInfo& info) {
    std::string key(info.clientName, strnlen(info.clientName, sizeof info.clientName));
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

}  // namespace

void CheckClients(const CheckStep& step) {
    std::map<std::string, uint64_t> firstWithName;
    ForEachRecord(step, [&](uint64_t position, const char* bytes) {
        ClientInfo info;
        std::memcpy(&info, bytes, sizeof info);
        const std::string record = "record " + std::to_string(position) + " " +
                                   QuotedField(step.codec, info.clientName, sizeof info.clientName);
        if (info.recordSize != static_cast<int32_t>(sizeof(ClientInfo))) {
            step.Report(position, "records whose size field is wrong",
                        record + " has the record size " + std::to_string(info.recordSize) + " instead of " +
                            std::to_string(sizeof(ClientInfo)));
        }
        if (info.recordIndex < 0 || static_cast<uint64_t>(info.recordIndex) != position) {
            step.Report(position, "record indices that differ from positions",
                        record + " says it is record " + std::to_string(info.recordIndex));
        }
        if (strnlen(info.clientName, sizeof info.clientName) == sizeof info.clientName) {
            step.Report(position, "names without a NUL", record + ": the name has no terminating NUL");
        }
        // The library writes 0 (live) or 4 (deleted); anything else is no writer's.
        if (info.clientFlags != 0 && info.clientFlags != MVDB_CLIENT_DELETED) {
            step.Report(position, "flags no writer sets",
                        record + " has the flags " + Hex(static_cast<uint32_t>(info.clientFlags)) +
                            ", neither 0 (live) nor 4 (deleted)");
        }
        if (info.clientFlags & MVDB_CLIENT_DELETED) return;
        const auto [first, isNew] = firstWithName.emplace(NameKey(info), position);
        if (!isNew) {
            step.Report(position, "names used twice",
                        record + " has the name of record " + std::to_string(first->second) +
                            "; lookups by name find only the first");
        }
    });
}

}  // namespace mvdb::cli
