// A registry snapshot read from a text file in the Windows ".reg" export
// format: the stand-in for the machine registry on POSIX systems.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace mvdb::platform {

class RegFile {
public:
    // Parses the text; whatever does not parse is skipped, never fatal.
    static RegFile Parse(const std::string& text);
    // Reads and parses a file; nullopt when it cannot be read.
    static std::optional<RegFile> Load(const std::string& path);

    // True when the key (path below the machine hive, any case) exists: a
    // section names it or a key below it.
    bool HasKey(const std::string& subkey) const;
    // The raw data of a value (strings with their NUL), any case.
    std::optional<std::vector<uint8_t>> Value(const std::string& subkey, const std::string& name) const;

private:
    // Lower-cased key path below the machine hive -> lower-cased value name -> data.
    std::map<std::string, std::map<std::string, std::vector<uint8_t>>> keys_;
};

}  // namespace mvdb::platform
