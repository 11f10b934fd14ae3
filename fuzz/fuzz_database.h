// A database folder of its own for a fuzz harness: a registry stand-in that
// points the three files and the info folder into a fresh folder (in
// /dev/shm when there is one, so the durable writes cost little), and a
// lock folder of its own, so harnesses run side by side.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

}  // namespace mvdb::fuzz
