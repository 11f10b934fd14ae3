#include "platform/posix/reg_file.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace mvdb::platform {

namespace {

constexpr size_t kMaxFileBytes = 16u << 20;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

// Files exported by the registry editor may be UTF-16LE; their characters
// beyond one byte cannot name these keys and become '?'.
std::string Narrow(const std::string& raw) {
    if (raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0) return raw.substr(3);
    if (raw.size() < 2 || static_cast<unsigned char>(raw[0]) != 0xFF ||
        static_cast<unsigned char>(raw[1]) != 0xFE) {
        return raw;
    }
    std::string out;
    for (size_t i = 2; i + 1 < raw.size(); i += 2) {
        out += raw[i + 1] == 0 ? raw[i] : '?';
    }
    return out;
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

std::optional<std::vector<uint8_t>> ParseData(const std::string& data) {
    if (!data.empty() && data[0] == '"') {
        size_t pos = 0;
        std::optional<std::string> text = ParseQuoted(data, &pos);
        if (!text) return std::nullopt;
        std::vector<uint8_t> bytes(text->begin(), text->end());
        bytes.push_back(0);
        return bytes;
    }
    const std::string lower = Lower(data);
    if (lower.compare(0, 6, "dword:") == 0) {
        const std::string digits = Trim(data.substr(6));
        if (digits.empty() || digits.size() > 8) return std::nullopt;
        for (char c : digits) {
            if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        }
        const uint32_t value = static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
        return std::vector<uint8_t>{static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                    static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    }
    if (lower.compare(0, 3, "hex") == 0) {
        const size_t colon = data.find(':');
        if (colon == std::string::npos) return std::nullopt;
        const std::string body = Trim(data.substr(colon + 1));
        if (body.empty()) return std::vector<uint8_t>{};
        return ParseHexBytes(body);
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

}  // namespace

RegFile RegFile::Parse(const std::string& raw) {
    RegFile reg;
    const std::vector<std::string> lines = LogicalLines(Narrow(raw));
    if (lines.empty() || (lines[0] != "Windows Registry Editor Version 5.00" && lines[0] != "REGEDIT4"))
        return reg;
    std::optional<std::string> current;
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const size_t close = line.rfind(']');
            current.reset();
            if (close == std::string::npos || line.size() < 2 || line[1] == '-') continue;
            current = MachineSubkey(Trim(line.substr(1, close - 1)));
            if (current) reg.keys_[*current];
            continue;
        }
        if (!current) continue;
        std::string name;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (line[0] == '"') {
            std::optional<std::string> quoted = ParseQuoted(line, &pos);
            if (!quoted) continue;
            name = *quoted;
        } else {
            continue;
        }
        while (pos < line.size() && std::isspace(static_cast<unsigned char>(line[pos]))) ++pos;
        if (pos >= line.size() || line[pos] != '=') continue;
        const std::string data = Trim(line.substr(pos + 1));
        if (std::optional<std::vector<uint8_t>> bytes = ParseData(data)) {
            reg.keys_[*current][Lower(name)] = *bytes;
        }
    }
    return reg;
}

std::optional<RegFile> RegFile::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text;
    char block[4096];
    while (text.size() < kMaxFileBytes && in.read(block, sizeof block).gcount() > 0) {
        text.append(block, static_cast<size_t>(in.gcount()));
    }
    return Parse(text);
}

bool RegFile::HasKey(const std::string& subkey) const {
    const std::string wanted = Lower(subkey);
    for (const auto& [path, values] : keys_) {
        if (path == wanted || (path.size() > wanted.size() && path.compare(0, wanted.size(), wanted) == 0 &&
                               path[wanted.size()] == '\\')) {
            return true;
        }
    }
    return false;
}

std::optional<std::vector<uint8_t>> RegFile::Value(const std::string& subkey, const std::string& name) const {
    const auto key = keys_.find(Lower(subkey));
    if (key == keys_.end()) return std::nullopt;
    const auto value = key->second.find(Lower(name));
    if (value == key->second.end()) return std::nullopt;
    return value->second;
}

}  // namespace mvdb::platform
