// The test registry on Windows is the machine registry itself: the Folder
// and HostMan keys under HKEY_LOCAL_MACHINE\Software\Tarnwick\Marovale are
// replaced by what a test sets and deleted afterwards.
#include <windows.h>

#include "support/test_registry.h"

namespace mvdb::test {

namespace {

constexpr const char* kProductKey = "Software\\Tarnwick\\Marovale";

std::string SubkeyPath(const char* name) { return std::string(kProductKey) + "\\" + name; }

void DeleteKey(const char* name) { RegDeleteKeyA(HKEY_LOCAL_MACHINE, SubkeyPath(name).c_str()); }

void WriteKey(const char* name, const std::map<std::string, RegistryValue>& values) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, SubkeyPath(name).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    for (const auto& [valueName, value] : values) {
        if (const auto* text = std::get_if<std::string>(&value)) {
            RegSetValueExA(key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()),
                           static_cast<DWORD>(text->size() + 1));
        } else {
            const DWORD number = std::get<uint32_t>(value);
            RegSetValueExA(key, valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                           sizeof number);
        }
    }
    RegCloseKey(key);
}

void Clear() {
    DeleteKey("Folder");
    DeleteKey("HostMan");
}

}  // namespace

TestRegistry::TestRegistry(const std::string& scratch) : scratch_(scratch) { Clear(); }

TestRegistry::~TestRegistry() { Clear(); }

void TestRegistry::Set(const RegistryContent& content) {
    Clear();
    if (content.folder) WriteKey("Folder", *content.folder);
    if (content.hostMan) WriteKey("HostMan", *content.hostMan);
}

}  // namespace mvdb::test
