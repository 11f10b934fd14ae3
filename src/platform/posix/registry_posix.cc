// The machine registry on POSIX: a ".reg" file named by $MVDB_REGISTRY, read
// afresh at every key open and never written. No variable or no file: no key
// exists.
#include <cstdlib>

#include "format/reg_text.h"
#include "platform/platform.h"
#include "platform/posix/reg_file.h"

namespace mvdb::platform {

namespace {

class RegFileKey final : public RegistryKey {
public:
    RegFileKey(const RegFile& file, std::string subkey) : key_(file.text(), std::move(subkey)) {}

    std::optional<std::string> ReadString(const std::string& value, size_t bufferSize) override {
        return key_.ReadString(value, bufferSize);
    }

    std::optional<int32_t> ReadInt32(const std::string& value) override { return key_.ReadDword(value); }

private:
    format::RegTextKey key_;
};

}  // namespace

std::unique_ptr<RegistryKey> OpenMachineKey(const std::string& subkey) {
    const char* path = std::getenv("MVDB_REGISTRY");
    if (path == nullptr || *path == '\0') return nullptr;
    std::optional<RegFile> file = RegFile::Load(path);
    if (!file || !file->HasKey(subkey)) return nullptr;
    return std::make_unique<RegFileKey>(*file, subkey);
}

}  // namespace mvdb::platform
