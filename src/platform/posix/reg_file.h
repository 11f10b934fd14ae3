// A registry snapshot read from a ".reg" file: the stand-in for the machine
// registry on POSIX systems. The text format is format/reg_text.h; this
// adds reading the file and converting the texts of a UTF-16 file to the
// configured code page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "format/reg_text.h"

namespace mvdb::platform {

class RegFile {
public:
    // Parses the text; whatever does not parse is skipped, never fatal.
    static RegFile Parse(const std::string& text);
    // Reads and parses a file; nullopt when it cannot be read.
    static std::optional<RegFile> Load(const std::string& path);

    // True when the key (path below the machine hive, any case) exists: a
    // section names it or a key below it.
    bool HasKey(const std::string& subkey) const { return text_.HasKey(subkey); }
    // The raw data of a value (strings with their NUL), any case.
    std::optional<std::vector<uint8_t>> Value(const std::string& subkey, const std::string& name) const;

    const format::RegText& text() const { return text_; }

private:
    format::RegText text_;
};

}  // namespace mvdb::platform
