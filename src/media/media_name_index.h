// The media catalogue's indexes by location and by key name. The record
// array tells them of every change; the searches ask them for candidates in
// position order and decide each one with the comparison a scan would make.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/media_element.h"
#include "storage/name_index.h"
#include "storage/record_array.h"

namespace mvdb {

class MediaNameIndex final : public RecordObserver<MediaElement> {
public:
    explicit MediaNameIndex(const platform::CodePage& codePage) : location_(codePage), keyName_(codePage) {}

    void Changed(int32_t index, const MediaElement& element) override;
    void Reset(const Records& elements) override;

    const NameIndex& location() const { return location_; }
    const NameIndex& keyName() const { return keyName_; }
    size_t MemoryBytes() const { return location_.MemoryBytes() + keyName_.MemoryBytes(); }

private:
    NameIndex location_;
    NameIndex keyName_;
};

}  // namespace mvdb
