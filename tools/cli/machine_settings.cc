#include "cli/machine_settings.h"

#include <algorithm>
#include <cctype>

namespace mvdb::cli {

namespace {

// Registry names compare without regard to case.
bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

const RegistryValue* FindValue(const RegistryValues& values, const std::string& name) {
    for (const auto& [key, value] : values) {
        if (SameName(key, name)) return &value;
    }
    return nullptr;
}

}  // namespace

std::optional<std::string> StringValue(const RegistryValues& values, const std::string& name) {
    const RegistryValue* value = FindValue(values, name);
    if (value == nullptr || !std::holds_alternative<std::string>(*value)) return std::nullopt;
    return std::get<std::string>(*value);
}

std::optional<uint32_t> DwordValue(const RegistryValues& values, const std::string& name) {
    const RegistryValue* value = FindValue(values, name);
    if (value == nullptr || !std::holds_alternative<uint32_t>(*value)) return std::nullopt;
    return std::get<uint32_t>(*value);
}

RegistryValue ToRegistryValue(const format::RegValue& value) {
    if (value.type == format::kRegString && !value.data.empty() && value.data.back() == 0) {
        return std::string(value.data.begin(), value.data.end() - 1);
    }
    if (value.type == format::kRegDword && value.data.size() == 4) {
        return static_cast<uint32_t>(*format::DwordOf(value));
    }
    return value;
}

const RegistryValue* ValuesKey::Find(const std::string& name) const { return FindValue(values_, name); }

std::optional<std::string> ValuesKey::ReadString(const std::string& name, size_t bufferBytes) {
    const RegistryValue* value = Find(name);
    if (value == nullptr) return std::nullopt;
    if (const auto* text = std::get_if<std::string>(value)) {
        return format::TextOf(format::StringValue(*text), bufferBytes);
    }
    if (const auto* number = std::get_if<uint32_t>(value)) {
        return format::TextOf(format::DwordValue(*number), bufferBytes);
    }
    return format::TextOf(std::get<format::RegValue>(*value), bufferBytes);
}

std::optional<int32_t> ValuesKey::ReadDword(const std::string& name) {
    const RegistryValue* value = Find(name);
    if (value == nullptr) return std::nullopt;
    if (const auto* number = std::get_if<uint32_t>(value)) return static_cast<int32_t>(*number);
    if (const auto* raw = std::get_if<format::RegValue>(value)) return format::DwordOf(*raw);
    return std::nullopt;
}

}  // namespace mvdb::cli
