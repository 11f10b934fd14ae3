// The machine-wide configuration: keys of HKEY_LOCAL_MACHINE, read only.
#include <windows.h>

#include <cstring>
#include <new>
#include <vector>

#include "platform/platform.h"

namespace mvdb::platform {

namespace {

class Win32RegistryKey final : public RegistryKey {
public:
    explicit Win32RegistryKey(HKEY key) : key_(key) {}
    ~Win32RegistryKey() override { RegCloseKey(key_); }
    Win32RegistryKey(const Win32RegistryKey&) = delete;
    Win32RegistryKey& operator=(const Win32RegistryKey&) = delete;

    std::optional<std::string> ReadString(const std::string& value, size_t bufferSize) override {
        if (bufferSize == 0 || bufferSize > MAXDWORD) return std::nullopt;
        // One spare zero byte ends a value stored without its NUL.
        std::vector<char> buffer(bufferSize + 1, '\0');
        DWORD size = static_cast<DWORD>(bufferSize);
        if (RegQueryValueExA(key_, value.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                             &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return std::string(buffer.data(), strnlen(buffer.data(), size));
    }

    std::optional<int32_t> ReadInt32(const std::string& value) override {
        // A shorter value leaves the bytes it does not fill at zero.
        BYTE bytes[4] = {};
        DWORD size = sizeof bytes;
        DWORD type = REG_NONE;
        if (RegQueryValueExA(key_, value.c_str(), nullptr, &type, bytes, &size) != ERROR_SUCCESS ||
            type != REG_DWORD) {
            return std::nullopt;
        }
        const uint32_t v = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
        return static_cast<int32_t>(v);
    }

private:
    HKEY key_;
};

}  // namespace

std::unique_ptr<RegistryKey> OpenMachineKey(const std::string& subkey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
    std::unique_ptr<RegistryKey> result(new (std::nothrow) Win32RegistryKey(key));
    if (!result) RegCloseKey(key);
    return result;
}

}  // namespace mvdb::platform
