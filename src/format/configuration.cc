#include "format/configuration.h"

namespace mvdb::format {

std::string DataFolder(const std::string& executableFolder, char separator) {
    return executableFolder + "Data" + separator;
}

ResolvedPath CataloguePath(ConfigKey& folderKey, const CatalogueFormat& catalogue,
                           const std::string& dataFolder) {
    if (std::optional<std::string> value = folderKey.ReadString(catalogue.registryValue, kPathBufferBytes)) {
        return {*value, false};
    }
    return {dataFolder + catalogue.fileName, true};
}

ResolvedPath InfoFolderPath(ConfigKey& folderKey, const std::string& dataFolder) {
    if (std::optional<std::string> value = folderKey.ReadString(kInfoFolderValue, kPathBufferBytes)) {
        return {*value, false};
    }
    return {dataFolder + kInfoFolderName, true};
}

int32_t ChannelCount(ConfigKey& folderKey) {
    return folderKey.ReadDword(kChannelCountValue).value_or(kDefaultChannelCount);
}

std::optional<std::string> ReadHostName(ConfigKey& hostManKey) {
    return hostManKey.ReadString(kHostNameValue, kHostNameQueryBytes);
}

std::string StoreHostName(ConfigKey* hostManKey) {
    if (hostManKey == nullptr) return std::string();
    return ReadHostName(*hostManKey).value_or(kUnknownHostName);
}

Locations ResolveLocations(ConfigKey* folderKey, ConfigKey* hostManKey, const std::string& dataFolder) {
    Locations locations;
    if (folderKey == nullptr) {
        locations.categoryFile = kCategoryFormat.fileName;
        locations.clientFile = kClientFormat.fileName;
        locations.mediaFile = kMediaFormat.fileName;
    } else {
        locations.categoryFile = CataloguePath(*folderKey, kCategoryFormat, dataFolder).path;
        locations.clientFile = CataloguePath(*folderKey, kClientFormat, dataFolder).path;
        locations.mediaFile = CataloguePath(*folderKey, kMediaFormat, dataFolder).path;
        locations.infoFolder = InfoFolderPath(*folderKey, dataFolder).path;
        locations.channelCount = ChannelCount(*folderKey);
    }
    locations.hostName = StoreHostName(hostManKey);
    return locations;
}

}  // namespace mvdb::format
