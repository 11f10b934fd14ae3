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

}  // namespace

std::optional<std::string> StringValue(const RegistryValues& values, const std::string& name) {
    for (const auto& [key, value] : values) {
        if (SameName(key, name) && std::holds_alternative<std::string>(value))
            return std::get<std::string>(value);
    }
    return std::nullopt;
}

std::optional<uint32_t> DwordValue(const RegistryValues& values, const std::string& name) {
    for (const auto& [key, value] : values) {
        if (SameName(key, name) && std::holds_alternative<uint32_t>(value)) return std::get<uint32_t>(value);
    }
    return std::nullopt;
}

}  // namespace mvdb::cli
