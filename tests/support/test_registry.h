// The machine registry as tests set it up: a .reg file named by
// MVDB_REGISTRY on POSIX, the real registry on Windows. Everything set is
// removed when the object goes.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>

namespace mvdb::test {

using RegistryValue = std::variant<std::string, uint32_t>;

struct RegistryContent {
    // Absent: the Folder key does not exist. Present: the key with these values.
    std::optional<std::map<std::string, RegistryValue>> folder;
    // Absent: the HostMan key does not exist.
    std::optional<std::map<std::string, RegistryValue>> hostMan;
};

class TestRegistry {
public:
    // `scratch` is a folder the registry stand-in may write into.
    explicit TestRegistry(const std::string& scratch);
    ~TestRegistry();
    TestRegistry(const TestRegistry&) = delete;
    TestRegistry& operator=(const TestRegistry&) = delete;

    void Set(const RegistryContent& content);

private:
    std::string scratch_;
};

}  // namespace mvdb::test
