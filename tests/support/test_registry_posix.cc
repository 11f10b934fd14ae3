#include <cstdlib>
#include <fstream>
#include <vector>

#include "format/reg_text.h"
#include "support/test_registry.h"

namespace mvdb::test {

namespace {

// A key of the configuration with these values, as the format writes it.
format::RegKeyContent KeyContent(const char* path, const std::map<std::string, RegistryValue>& values) {
    format::RegKeyContent key{path, {}};
    for (const auto& [name, value] : values) {
        if (const auto* text = std::get_if<std::string>(&value)) {
            key.values.push_back({name, format::StringValue(*text)});
        } else {
            key.values.push_back({name, format::DwordValue(std::get<uint32_t>(value))});
        }
    }
    return key;
}

}  // namespace

TestRegistry::TestRegistry(const std::string& scratch) : scratch_(scratch) {
    ::setenv("MVDB_REGISTRY", (scratch_ + "/registry.reg").c_str(), 1);
    Set({});
}

TestRegistry::~TestRegistry() { ::unsetenv("MVDB_REGISTRY"); }

void TestRegistry::Set(const RegistryContent& content) {
    std::vector<format::RegKeyContent> keys;
    if (content.folder) keys.push_back(KeyContent(format::kFolderKey, *content.folder));
    if (content.hostMan) keys.push_back(KeyContent(format::kHostManKey, *content.hostMan));
    std::ofstream out(scratch_ + "/registry.reg", std::ios::binary | std::ios::trunc);
    out << format::WriteRegText(keys);
}

}  // namespace mvdb::test
