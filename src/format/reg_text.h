// The ".reg" text format of the registry editor: the machine configuration
// on POSIX, where a file named by MVDB_REGISTRY stands in for the registry.
// One parser serves the library and the tool.
//
// A file starts with "Windows Registry Editor Version 5.00" or "REGEDIT4";
// then "[HKEY_LOCAL_MACHINE\<path>]" (or "[HKLM\...]") opens a key and
// lines "name"=data give its values: "text" (with \\ and \" escaped),
// dword:<8 hex digits>, hex:<bytes> or hex(<type>):<bytes>, a hex line
// continued by a trailing backslash; @ names the default value. Lines that
// do not parse, keys of other hives and ";" comments are skipped.
//
// The registry editor exports UTF-16LE with a byte-order mark. Such a file
// is decoded and its key paths, names and texts converted to the code page
// of the database, as Windows hands strings to the A functions; a text that
// does not convert is left out, so its value counts as missing. Any other
// file is taken as bytes of that code page (a UTF-8 byte-order mark is
// skipped).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "format/configuration.h"

namespace mvdb::format {

inline constexpr char kRegHeader[] = "Windows Registry Editor Version 5.00";
inline constexpr uint32_t kRegString = 1;  // REG_SZ
inline constexpr uint32_t kRegBinary = 3;  // REG_BINARY
inline constexpr uint32_t kRegDword = 4;   // REG_DWORD

struct RegValue {
    uint32_t type = kRegString;
    std::vector<uint8_t> data;  // a text with its NUL; a dword in 4 little-endian bytes
    bool operator==(const RegValue&) const = default;
};

// Converts UTF-8 text to the database's code page; nullopt when a
// character has no form there.
using ToCodePage = std::function<std::optional<std::string>(std::string_view utf8)>;

// The value of a text, as the registry stores it.
RegValue StringValue(const std::string& text);
RegValue DwordValue(uint32_t value);
// A REG_DWORD's number (fewer than 4 bytes read as zero above them);
// nullopt for any other type or a longer value.
std::optional<int32_t> DwordOf(const RegValue& value);
// What a string read of the value gives with a buffer of `bufferBytes`:
// the bytes up to the first NUL, when the data fits with a NUL.
std::optional<std::string> TextOf(const RegValue& value, size_t bufferBytes);

class RegText {
public:
    struct NamedValue {
        std::string name;  // as written
        RegValue value;
    };
    // Lower-cased value name -> value.
    using Values = std::map<std::string, NamedValue>;

    // Parses the bytes of a file; whatever does not parse is skipped, never
    // fatal. `toCodePage` converts the texts of a UTF-16 file; without it
    // only ASCII texts survive.
    static RegText Parse(std::string_view bytes, const ToCodePage& toCodePage = {});

    // True when the key (path below the machine hive, any case) exists: a
    // section names it or a key below it.
    bool HasKey(std::string_view subkey) const;
    // The values of a key named by a section; null when none names it.
    const Values* ValuesOf(std::string_view subkey) const;
    // A value by name in any case; null when absent.
    const RegValue* Value(std::string_view subkey, std::string_view name) const;
    // Lower-cased key paths below the machine hive -> their values.
    const std::map<std::string, Values>& keys() const { return keys_; }

private:
    std::map<std::string, Values> keys_;
};

// One key of the configuration read from a parsed ".reg" file, with the
// rules by which the library reads the registry.
class RegTextKey final : public ConfigKey {
public:
    RegTextKey(RegText text, std::string subkey) : text_(std::move(text)), subkey_(std::move(subkey)) {}
    std::optional<std::string> ReadString(const std::string& name, size_t bufferBytes) override;
    std::optional<int32_t> ReadDword(const std::string& name) override;

private:
    RegText text_;
    std::string subkey_;
};

// ".reg" text that gives keys below HKEY_LOCAL_MACHINE these values; what
// Parse reads back as written.
struct RegKeyContent {
    std::string path;
    std::vector<RegText::NamedValue> values;
};
std::string WriteRegText(const std::vector<RegKeyContent>& keys);

}  // namespace mvdb::format
