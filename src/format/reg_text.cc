#include "format/reg_text.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace mvdb::format {

namespace {

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string Trim(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

void AppendUtf8(char32_t c, std::string* out) {
    if (c < 0x80) {
        *out += static_cast<char>(c);
    } else if (c < 0x800) {
        *out += static_cast<char>(0xC0 | (c >> 6));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out += static_cast<char>(0xE0 | (c >> 12));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out += static_cast<char>(0xF0 | (c >> 18));
        *out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-16LE after its byte-order mark as UTF-8; a lone surrogate becomes
// U+FFFD, which no code page of the database holds.
std::string DecodeUtf16(std::string_view bytes) {
    std::string out;
    auto unit = [&](size_t i) {
        return static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    };
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const char16_t first = unit(i);
        char32_t c = first;
        if (first >= 0xD800 && first <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) <= 0xDFFF) {
            c = 0x10000 + ((static_cast<char32_t>(first) - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (first >= 0xD800 && first <= 0xDFFF) {
            c = 0xFFFD;
        }
        AppendUtf8(c, &out);
    }
    return out;
}

bool IsUtf16(std::string_view bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xFE;
}

bool IsAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// The key path below the machine hive, or nullopt for another hive.
std::optional<std::string> MachineSubkey(const std::string& section) {
    const std::string lower = Lower(section);
    for (const char* hive : {"hkey_local_machine", "hklm"}) {
        const std::string prefix(hive);
        if (lower == prefix) return std::string();
        if (lower.compare(0, prefix.size() + 1, prefix + "\\") == 0) return lower.substr(prefix.size() + 1);
    }
    return std::nullopt;
}

// A quoted string starting at text[pos] == '"': its content with the
// escapes \\ and \" undone; pos moves past the closing quote.
std::optional<std::string> ParseQuoted(const std::string& text, size_t* pos) {
    std::string out;
    for (size_t i = *pos + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            out += text[++i];
        } else if (c == '"') {
            *pos = i + 1;
            return out;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> ParseHexBytes(const std::string& text) {
    std::vector<uint8_t> bytes;
    std::string digits;
    for (char c : text + ",") {
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            digits += c;
        } else if (c == ',') {
            if (digits.empty() || digits.size() > 2) return std::nullopt;
            bytes.push_back(static_cast<uint8_t>(std::stoul(digits, nullptr, 16)));
            digits.clear();
        } else if (!std::isspace(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
    }
    return bytes;
}

bool AllHex(const std::string& digits, size_t most) {
    if (digits.empty() || digits.size() > most) return false;
    for (char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

// The data of a value line; `text` turns a quoted text into the code page.
std::optional<RegValue> ParseData(const std::string& data,
                                  const std::function<std::optional<std::string>(const std::string&)>& text) {
    if (!data.empty() && data[0] == '"') {
        size_t pos = 0;
        const std::optional<std::string> quoted = ParseQuoted(data, &pos);
        if (!quoted) return std::nullopt;
        const std::optional<std::string> converted = text(*quoted);
        if (!converted) return std::nullopt;
        return StringValue(*converted);
    }
    const std::string lower = Lower(data);
    if (lower.compare(0, 6, "dword:") == 0) {
        const std::string digits = Trim(data.substr(6));
        if (!AllHex(digits, 8)) return std::nullopt;
        return DwordValue(static_cast<uint32_t>(std::stoul(digits, nullptr, 16)));
    }
    if (lower.compare(0, 3, "hex") == 0) {
        RegValue value;
        value.type = kRegBinary;
        const size_t colon = data.find(':');
        if (colon == std::string::npos) return std::nullopt;
        const std::string kind = Trim(lower.substr(3, colon - 3));
        if (!kind.empty()) {
            // hex(<type>) with the type in hexadecimal.
            if (kind.size() < 3 || kind.front() != '(' || kind.back() != ')') return std::nullopt;
            const std::string digits = kind.substr(1, kind.size() - 2);
            if (!AllHex(digits, 8)) return std::nullopt;
            value.type = static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
        }
        const std::string body = Trim(data.substr(colon + 1));
        if (body.empty()) return value;
        std::optional<std::vector<uint8_t>> bytes = ParseHexBytes(body);
        if (!bytes) return std::nullopt;
        value.data = std::move(*bytes);
        return value;
    }
    return std::nullopt;
}

// Joins a hex value that goes on over several lines, each but the last
// ending with a backslash, into one line.
std::vector<std::string> LogicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    std::string pending;
    while (std::getline(in, line)) {
        std::string joined = pending + Trim(line);
        pending.clear();
        if (!joined.empty() && joined.back() == '\\' && Lower(joined).find("=hex") != std::string::npos) {
            joined.pop_back();
            pending = joined;
            continue;
        }
        lines.push_back(joined);
    }
    if (!pending.empty()) lines.push_back(pending);
    return lines;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

}  // namespace

RegValue StringValue(const std::string& text) {
    RegValue value;
    value.type = kRegString;
    value.data.assign(text.begin(), text.end());
    value.data.push_back(0);
    return value;
}

RegValue DwordValue(uint32_t number) {
    RegValue value;
    value.type = kRegDword;
    value.data = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                  static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
    return value;
}

std::optional<int32_t> DwordOf(const RegValue& value) {
    if (value.type != kRegDword || value.data.size() > 4) return std::nullopt;
    uint8_t bytes[4] = {};
    if (!value.data.empty()) std::memcpy(bytes, value.data.data(), value.data.size());
    return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                                static_cast<uint32_t>(bytes[2]) << 16 |
                                static_cast<uint32_t>(bytes[3]) << 24);
}

std::optional<std::string> TextOf(const RegValue& value, size_t bufferBytes) {
    if (value.data.size() > bufferBytes) return std::nullopt;
    const char* bytes = reinterpret_cast<const char*>(value.data.data());
    const void* nul = value.data.empty() ? nullptr : std::memchr(bytes, 0, value.data.size());
    const size_t length =
        nul ? static_cast<size_t>(static_cast<const char*>(nul) - bytes) : value.data.size();
    // Without a NUL of its own the text must leave room for one.
    if (nul == nullptr && length >= bufferBytes) return std::nullopt;
    return std::string(bytes, length);
}

RegText RegText::Parse(std::string_view bytes, const ToCodePage& toCodePage) {
    RegText reg;
    const bool utf16 = IsUtf16(bytes);
    std::string decoded;
    if (utf16) {
        decoded = DecodeUtf16(bytes);
    } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        decoded = std::string(bytes.substr(3));
    } else {
        decoded = std::string(bytes);
    }
    // Texts of a UTF-16 file are converted; the bytes of any other file are
    // already in the code page.
    const auto text = [&](const std::string& utf8) -> std::optional<std::string> {
        if (!utf16 || IsAscii(utf8)) return utf8;
        if (!toCodePage) return std::nullopt;
        return toCodePage(utf8);
    };

    const std::vector<std::string> lines = LogicalLines(decoded);
    if (lines.empty() || (lines[0] != kRegHeader && lines[0] != "REGEDIT4")) return reg;
    std::optional<std::string> current;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const size_t close = line.rfind(']');
            current.reset();
            if (close == std::string::npos || line.size() < 2 || line[1] == '-') continue;
            const std::optional<std::string> section = text(Trim(line.substr(1, close - 1)));
            if (section) current = MachineSubkey(*section);
            if (current) reg.keys_[*current];
            continue;
        }
        if (!current) continue;
        std::optional<std::string> name;
        size_t pos = 0;
        if (line[0] == '@') {
            name = std::string();
            pos = 1;
        } else if (line[0] == '"') {
            const std::optional<std::string> quoted = ParseQuoted(line, &pos);
            if (quoted) name = text(*quoted);
        }
        if (!name) continue;
        while (pos < line.size() && std::isspace(static_cast<unsigned char>(line[pos]))) ++pos;
        if (pos >= line.size() || line[pos] != '=') continue;
        if (std::optional<RegValue> value = ParseData(Trim(line.substr(pos + 1)), text)) {
            reg.keys_[*current][Lower(*name)] = {*name, std::move(*value)};
        }
    }
    return reg;
}

bool RegText::HasKey(std::string_view subkey) const {
    const std::string wanted = Lower(subkey);
    for (const auto& [path, values] : keys_) {
        if (path == wanted || (path.size() > wanted.size() && path.compare(0, wanted.size(), wanted) == 0 &&
                               path[wanted.size()] == '\\')) {
            return true;
        }
    }
    return false;
}

const RegText::Values* RegText::ValuesOf(std::string_view subkey) const {
    const auto key = keys_.find(Lower(subkey));
    return key == keys_.end() ? nullptr : &key->second;
}

const RegValue* RegText::Value(std::string_view subkey, std::string_view name) const {
    const Values* values = ValuesOf(subkey);
    if (values == nullptr) return nullptr;
    const auto value = values->find(Lower(name));
    return value == values->end() ? nullptr : &value->second.value;
}

std::optional<std::string> RegTextKey::ReadString(const std::string& name, size_t bufferBytes) {
    const RegValue* value = text_.Value(subkey_, name);
    return value ? TextOf(*value, bufferBytes) : std::nullopt;
}

std::optional<int32_t> RegTextKey::ReadDword(const std::string& name) {
    const RegValue* value = text_.Value(subkey_, name);
    return value ? DwordOf(*value) : std::nullopt;
}

std::string WriteRegText(const std::vector<RegKeyContent>& keys) {
    std::ostringstream out;
    out << kRegHeader << "\n";
    for (const RegKeyContent& key : keys) {
        out << "\n[HKEY_LOCAL_MACHINE\\" << key.path << "]\n";
        for (const auto& [name, value] : key.values) {
            out << '"' << Escape(name) << "\"=";
            if (value.type == kRegString) {
                out << '"' << Escape(TextOf(value, value.data.size() + 1).value_or("")) << "\"\n";
            } else if (std::optional<int32_t> number = DwordOf(value); number && value.data.size() == 4) {
                char dword[16];
                std::snprintf(dword, sizeof dword, "%08x", static_cast<uint32_t>(*number));
                out << "dword:" << dword << "\n";
            } else {
                char kind[16];
                std::snprintf(kind, sizeof kind, "hex(%x):", value.type);
                out << (value.type == kRegBinary ? "hex:" : kind);
                for (size_t i = 0; i < value.data.size(); ++i) {
                    char byte[4];
                    std::snprintf(byte, sizeof byte, "%02x", value.data[i]);
                    out << (i ? "," : "") << byte;
                }
                out << "\n";
            }
        }
    }
    return out.str();
}

}  // namespace mvdb::format
