#include "media/live_channels.h"

#include <cstdio>
#include <cstring>

#include "storage/fixed_string.h"

namespace mvdb {

namespace {

// The seeded catalogue is held in memory whole; beyond this many channels
// the default content would not fit a 32-bit address space.
constexpr int32_t kMaxDefaultChannels = 100000;

void WriteLocation(MediaInfo* info, const char* text) {
    std::snprintf(info->location, sizeof info->location, "%s", text);
}

MediaElement LiveInput(const std::string& hostName, uint32_t inputKind, int32_t index, int32_t channel) {
    MediaElement element{};
    MediaInfo& info = element.info;
    info.recordSize = sizeof(MediaInfo);
    info.categoryId = 1;
    info.channel = channel;
    info.mediaType = MVDB_MEDIA_KIND_LIVE;
    info.inputKind = inputKind;
    info.recordIndex = index;
    CopyToField(info.hostName, hostName);
    return element;
}

}  // namespace

int32_t BuildLiveLocation(MediaInfo* info) {
    if (!IsLive(*info)) return MVDB_ERR_OUT_OF_RANGE;
    char text[32];
    switch (info->inputKind) {
        case MVDB_INPUT_TUNER:
            if (info->cable != 0 && info->channel >= 1 && info->channel <= 63) {
                std::snprintf(text, sizeof text, "LIVE:CATV%d", info->channel);
            } else if (info->cable == 0 && info->channel >= 1 && info->channel <= 62) {
                std::snprintf(text, sizeof text, "LIVE:TV%d", info->channel);
            } else {
                std::snprintf(text, sizeof text, "LIVE");
            }
            break;
        case MVDB_INPUT_COMPOSITE:
            std::snprintf(text, sizeof text, "LIVE:COMP");
            break;
        case MVDB_INPUT_SVIDEO:
            std::snprintf(text, sizeof text, "LIVE:SVIDEO");
            break;
        default:
            return 0;
    }
    WriteLocation(info, text);
    return 0;
}

std::vector<MediaElement> DefaultChannels(int32_t channelCount, const std::string& hostName) {
    std::vector<MediaElement> elements;
    if (channelCount == 2) {
        MediaElement svideo = LiveInput(hostName, MVDB_INPUT_SVIDEO, 0, 1);
        std::snprintf(svideo.info.title, sizeof svideo.info.title, "S-Video");
        BuildLiveLocation(&svideo.info);
        elements.push_back(svideo);
        MediaElement composite = LiveInput(hostName, MVDB_INPUT_COMPOSITE, 1, 1);
        std::snprintf(composite.info.title, sizeof composite.info.title, "Composite");
        BuildLiveLocation(&composite.info);
        elements.push_back(composite);
        return elements;
    }
    const int32_t count = channelCount > kMaxDefaultChannels ? kMaxDefaultChannels : channelCount;
    if (count > 0) elements.reserve(static_cast<size_t>(count));
    for (int32_t n = 1; n <= count; ++n) {
        MediaElement tuner = LiveInput(hostName, MVDB_INPUT_TUNER, n - 1, n);
        std::snprintf(tuner.info.title, sizeof tuner.info.title, "Channel%02d", n);
        BuildLiveLocation(&tuner.info);
        elements.push_back(tuner);
    }
    return elements;
}

}  // namespace mvdb
