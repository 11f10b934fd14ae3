// A database folder of its own for a fuzz harness: a registry stand-in that
// points the three files and the info folder into a fresh folder (in
// /dev/shm when there is one, so the durable writes cost little), and a
// lock folder of its own, so harnesses run side by side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "mvdb.h"

namespace mvdb::fuzz {

class FuzzDatabase {
public:
    FuzzDatabase();
    ~FuzzDatabase();
    FuzzDatabase(const FuzzDatabase&) = delete;
    FuzzDatabase& operator=(const FuzzDatabase&) = delete;

    std::string Path(const std::string& name) const { return folder_ + "/" + name; }
    // Replaces a file's content with these bytes.
    void Write(const std::string& name, const uint8_t* data, size_t size) const;
    // Removes the copies of damaged files kept beside the database files.
    void RemoveKeptCopies() const;

private:
    std::string folder_;
};

// The one folder of this process, made at first use.
const FuzzDatabase& Database();

// A required text node over titles, locations or keys, and info, in every
// match mode at once, whose pattern is the first `size` bytes of `pattern`
// (no terminator needed: the node's field may be full).
inline FindCriteria EverywhereTextNode(const char* pattern, size_t size) {
    FindCriteria node{};
    node.criteriaSize = MVDB_FIND_CRITERIA_SIZE;
    node.criteriaKind = MVDB_CRITERIA_TEXT;
    node.criteriaTarget = MVDB_TARGET_TITLE | MVDB_TARGET_LOCATION_OR_KEY | MVDB_TARGET_ADDINFO;
    node.combineRule = MVDB_COMBINE_REQUIRED;
    node.matchMode = 7;
    std::memcpy(node.pattern, pattern, size < sizeof node.pattern ? size : sizeof node.pattern);
    return node;
}

}  // namespace mvdb::fuzz
