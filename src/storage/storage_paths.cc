#include "storage/storage_paths.h"

#include "storage/folder_chain.h"

namespace mvdb {

namespace {

std::string DefaultDataFolder() {
    const std::optional<std::string> exe = platform::ExecutablePath();
    if (!exe) return std::string("Data") + platform::kPathSeparator;
    const platform::SplitPathResult parts = platform::SplitPath(*exe);
    return parts.drive + parts.directory + "Data" + platform::kPathSeparator;
}

}  // namespace

std::string DefaultDataFile(const std::string& fileName) { return DefaultDataFolder() + fileName; }

std::string DefaultInfoFolder() { return DefaultDataFolder() + "Info"; }

int32_t ResolveCataloguePath(const char* valueName, std::string* path) {
    const std::unique_ptr<platform::RegistryKey> key = platform::OpenMachineKey(kFolderKey);
    if (!key) return -1;
    if (std::optional<std::string> value = key->ReadString(valueName, kPathBufferBytes)) {
        *path = *value;
    } else {
        *path = DefaultDataFile(*path);
    }
    return 0;
}

int32_t ResolveMediaLocations(MediaLocations* locations, const platform::CodePage& codePage) {
    const std::unique_ptr<platform::RegistryKey> key = platform::OpenMachineKey(kFolderKey);
    if (!key) return -1;
    if (std::optional<std::string> value = key->ReadString("DBMEDIA", kPathBufferBytes)) {
        locations->filePath = *value;
    } else {
        locations->filePath = DefaultDataFile(locations->filePath);
        CreateFolderChain(locations->filePath, 0, codePage);
    }
    if (std::optional<std::string> value = key->ReadString("DBINFODIR", kPathBufferBytes)) {
        locations->infoFolder = *value;
    } else {
        locations->infoFolder = DefaultInfoFolder();
        CreateFolderChain(locations->infoFolder, 1, codePage);
    }
    if (std::optional<int32_t> channels = key->ReadInt32("DefaultChannels")) {
        locations->channelCount = *channels;
    }
    return 0;
}

}  // namespace mvdb
