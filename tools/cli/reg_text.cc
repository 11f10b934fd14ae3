#include "cli/reg_text.h"

namespace mvdb::cli {

namespace {

RegistryValues ToValues(const format::RegText::Values& values) {
    RegistryValues out;
    for (const auto& [lower, named] : values) out[named.name] = ToRegistryValue(named.value);
    return out;
}

format::RegKeyContent ToContent(const std::string& path, const RegistryValues& values) {
    format::RegKeyContent key{path, {}};
    for (const auto& [name, value] : values) {
        if (const auto* text = std::get_if<std::string>(&value)) {
            key.values.push_back({name, format::StringValue(*text)});
        } else if (const auto* number = std::get_if<uint32_t>(&value)) {
            key.values.push_back({name, format::DwordValue(*number)});
        } else {
            key.values.push_back({name, std::get<format::RegValue>(value)});
        }
    }
    return key;
}

}  // namespace

std::optional<RegistryValues> KeyValues(const format::RegText& reg, const std::string& path) {
    if (!reg.HasKey(path)) return std::nullopt;
    const format::RegText::Values* values = reg.ValuesOf(path);
    return values ? ToValues(*values) : RegistryValues{};
}

std::map<std::string, RegistryValues> ParseRegText(const std::string& text,
                                                   const format::ToCodePage& toCodePage) {
    std::map<std::string, RegistryValues> keys;
    const format::RegText reg = format::RegText::Parse(text, toCodePage);
    for (const auto& [path, values] : reg.keys()) keys[path] = ToValues(values);
    return keys;
}

std::string WriteRegText(const RegistryValues& folder, const std::optional<RegistryValues>& hostMan) {
    std::vector<format::RegKeyContent> keys = {ToContent(kFolderKeyPath, folder)};
    if (hostMan) keys.push_back(ToContent(kHostManKeyPath, *hostMan));
    return format::WriteRegText(keys);
}

}  // namespace mvdb::cli
