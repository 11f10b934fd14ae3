#include "cli/reg_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>

namespace mvdb::cli {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trim(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return std::string();
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

// A quoted string from text[*pos] == '"', with \\ and \" undone.
std::optional<std::string> Quoted(const std::string& text, size_t* pos) {
    std::string out;
    for (size_t i = *pos + 1; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            out += text[++i];
        } else if (text[i] == '"') {
            *pos = i + 1;
            return out;
        } else {
            out += text[i];
        }
    }
    return std::nullopt;
}

std::optional<RegistryValue> Data(const std::string& data) {
    if (!data.empty() && data[0] == '"') {
        size_t pos = 0;
        if (std::optional<std::string> text = Quoted(data, &pos)) return *text;
        return std::nullopt;
    }
    if (Lower(data).rfind("dword:", 0) == 0) {
        const std::string digits = Trim(data.substr(6));
        if (digits.empty() || digits.size() > 8 ||
            !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isxdigit(c); })) {
            return std::nullopt;
        }
        return static_cast<uint32_t>(std::stoul(digits, nullptr, 16));
    }
    return std::nullopt;
}

// The key path below the machine hive, or nullopt for another hive.
std::optional<std::string> MachineKey(const std::string& section) {
    const std::string lower = Lower(section);
    for (const std::string hive : {"hkey_local_machine\\", "hklm\\"}) {
        if (lower.rfind(hive, 0) == 0) return lower.substr(hive.size());
    }
    return std::nullopt;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

void WriteKey(std::ostringstream& out, const char* path, const RegistryValues& values) {
    out << "\n[HKEY_LOCAL_MACHINE\\" << path << "]\n";
    for (const auto& [name, value] : values) {
        out << '"' << Escape(name) << "\"=";
        if (const auto* text = std::get_if<std::string>(&value)) {
            out << '"' << Escape(*text) << "\"\n";
        } else {
            char dword[16];
            std::snprintf(dword, sizeof dword, "%08x", std::get<uint32_t>(value));
            out << "dword:" << dword << "\n";
        }
    }
}

}  // namespace

std::map<std::string, RegistryValues> ParseRegText(const std::string& text) {
    std::map<std::string, RegistryValues> keys;
    std::istringstream in(text.rfind("\xEF\xBB\xBF", 0) == 0 ? text.substr(3) : text);
    std::string line;
    if (!std::getline(in, line) || (Trim(line) != kRegHeader && Trim(line) != "REGEDIT4")) return keys;
    RegistryValues* current = nullptr;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            current = nullptr;
            const size_t close = line.rfind(']');
            if (close == std::string::npos || line[1] == '-') continue;
            if (std::optional<std::string> key = MachineKey(Trim(line.substr(1, close - 1))))
                current = &keys[*key];
            continue;
        }
        if (current == nullptr || line[0] != '"') continue;
        size_t pos = 0;
        const std::optional<std::string> name = Quoted(line, &pos);
        const size_t equals = line.find('=', pos);
        if (!name || equals == std::string::npos || Trim(line.substr(pos, equals - pos)) != "") continue;
        if (std::optional<RegistryValue> value = Data(Trim(line.substr(equals + 1))))
            (*current)[*name] = *value;
    }
    return keys;
}

std::string WriteRegText(const RegistryValues& folder, const std::optional<RegistryValues>& hostMan) {
    std::ostringstream out;
    out << kRegHeader << "\n";
    WriteKey(out, kFolderKeyPath, folder);
    if (hostMan) WriteKey(out, kHostManKeyPath, *hostMan);
    return out.str();
}

}  // namespace mvdb::cli
