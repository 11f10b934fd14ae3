#include "media/media_name_index.h"

#include <vector>

namespace mvdb {

void MediaNameIndex::Changed(int32_t index, const MediaElement& element) {
    location_.Put(index, location_.Hash(element.info.location, sizeof element.info.location));
    keyName_.Put(index, keyName_.Hash(element.info.keyName, sizeof element.info.keyName));
}

void MediaNameIndex::Reset(const Records& elements) {
    const size_t count = elements.size();
    std::vector<uint32_t> locations(count);
    std::vector<uint32_t> keyNames(count);
    for (size_t i = 0; i < count; ++i) {
        locations[i] = location_.Hash(elements[i].info.location, sizeof elements[i].info.location);
        keyNames[i] = keyName_.Hash(elements[i].info.keyName, sizeof elements[i].info.keyName);
    }
    location_.Assign(std::move(locations));
    keyName_.Assign(std::move(keyNames));
}

}  // namespace mvdb
