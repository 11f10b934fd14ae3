// The machine registry on POSIX: a ".reg" file named by $MVDB_REGISTRY, read
// afresh at every key open and never written. No variable or no file: no key
// exists.
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/reg_file.h"

namespace mvdb::platform {

namespace {

class RegFileKey final : public RegistryKey {
public:
    RegFileKey(RegFile file, std::string subkey) : file_(std::move(file)), subkey_(std::move(subkey)) {}

    std::optional<std::string> ReadString(const std::string& value, size_t bufferSize) override {
        std::optional<std::vector<uint8_t>> data = file_.Value(subkey_, value);
        if (!data || data->size() > bufferSize) return std::nullopt;
        const char* bytes = reinterpret_cast<const char*>(data->data());
        const void* nul = data->empty() ? nullptr : std::memchr(bytes, 0, data->size());
        const size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - bytes) : data->size();
        // Without a NUL of its own the text must leave room for one.
        if (nul == nullptr && length >= bufferSize) return std::nullopt;
        return std::string(bytes, length);
    }

    std::optional<int32_t> ReadInt32(const std::string& value) override {
        std::optional<std::vector<uint8_t>> data = file_.Value(subkey_, value);
        if (!data || data->size() > 4) return std::nullopt;
        // Fewer than four bytes: the missing high bytes read as zero.
        uint8_t bytes[4] = {};
        std::memcpy(bytes, data->data(), data->size());
        return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                                    static_cast<uint32_t>(bytes[2]) << 16 |
                                    static_cast<uint32_t>(bytes[3]) << 24);
    }

private:
    RegFile file_;
    std::string subkey_;
};

}  // namespace

std::unique_ptr<RegistryKey> OpenMachineKey(const std::string& subkey) {
    const char* path = std::getenv("MVDB_REGISTRY");
    if (path == nullptr || *path == '\0') return nullptr;
    std::optional<RegFile> file = RegFile::Load(path);
    if (!file || !file->HasKey(subkey)) return nullptr;
    return std::make_unique<RegFileKey>(std::move(*file), subkey);
}

}  // namespace mvdb::platform
