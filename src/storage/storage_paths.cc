#include "storage/storage_paths.h"

#include "storage/folder_chain.h"

namespace mvdb {

namespace {

class RegistryConfigKey final : public format::ConfigKey {
public:
    explicit RegistryConfigKey(std::unique_ptr<platform::RegistryKey> key) : key_(std::move(key)) {}
    std::optional<std::string> ReadString(const std::string& name, size_t bufferBytes) override {
        return key_->ReadString(name, bufferBytes);
    }
    std::optional<int32_t> ReadDword(const std::string& name) override { return key_->ReadInt32(name); }

private:
    std::unique_ptr<platform::RegistryKey> key_;
};

}  // namespace

std::unique_ptr<format::ConfigKey> OpenConfigKey(const char* subkey) {
    std::unique_ptr<platform::RegistryKey> key = platform::OpenMachineKey(subkey);
    if (!key) return nullptr;
    return std::make_unique<RegistryConfigKey>(std::move(key));
}

std::string DefaultDataFolder() {
    const std::optional<std::string> exe = platform::ExecutablePath();
    if (!exe) return format::DataFolder(std::string(), platform::kPathSeparator);
    const platform::SplitPathResult parts = platform::SplitPath(*exe);
    return format::DataFolder(parts.drive + parts.directory, platform::kPathSeparator);
}

int32_t ResolveCataloguePath(const format::CatalogueFormat& catalogue, std::string* path) {
    const std::unique_ptr<format::ConfigKey> key = OpenConfigKey(kFolderKey);
    if (!key) return -1;
    *path = format::CataloguePath(*key, catalogue, DefaultDataFolder()).path;
    return 0;
}

int32_t ResolveMediaLocations(MediaLocations* locations, const platform::CodePage& codePage) {
    const std::unique_ptr<format::ConfigKey> key = OpenConfigKey(kFolderKey);
    if (!key) return -1;
    const std::string dataFolder = DefaultDataFolder();
    const format::ResolvedPath file = format::CataloguePath(*key, format::kMediaFormat, dataFolder);
    locations->filePath = file.path;
    if (file.isDefault) CreateFolderChain(locations->filePath, 0, codePage);
    const format::ResolvedPath info = format::InfoFolderPath(*key, dataFolder);
    locations->infoFolder = info.path;
    if (info.isDefault) CreateFolderChain(locations->infoFolder, 1, codePage);
    locations->channelCount = format::ChannelCount(*key);
    return 0;
}

}  // namespace mvdb
