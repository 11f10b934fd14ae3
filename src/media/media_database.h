// The media catalogue: media elements whose position is the item's index,
// mirrored element by element to "MVDBMF.db", with the info folder that
// holds their additional info and the host name of this server.
#pragma once

#include <cstdint>
#include <string>

#include "media/media_element.h"
#include "platform/platform.h"
#include "storage/store.h"

namespace mvdb {

class MediaDatabase : public Store<MediaElement, MediaElement> {
public:
    MediaDatabase(SharedAccount& account, const platform::CodePage& codePage);
    ~MediaDatabase() override = default;

    const std::string& hostName() const { return hostName_; }
    void SetHostName(const std::string& name) { hostName_ = name; }
    const std::string& infoFolder() const { return infoFolder_; }
    int32_t channelCount() const { return channelCount_; }

    int32_t Load();
    int32_t Clear();
    int32_t SeedDefaultChannels();
    int32_t SweepInfoFolder();
    int32_t GetRecord(int32_t index, MediaInfo* out) const;

private:
    const platform::CodePage& codePage_;
    std::string hostName_;
    int32_t channelCount_ = kDefaultMediaChannels;
    std::string infoFolder_;

    static constexpr int32_t kDefaultMediaChannels = 20;
};

// True for the names info files are given: MVDB<digits>-<digits>.dat.
bool IsInfoFileName(const std::string& name);

}  // namespace mvdb
