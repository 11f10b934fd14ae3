// The server's own live inputs: their locations, and the default content of
// a new, empty or cleared media catalogue.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/media_element.h"

namespace mvdb {

// Writes the location of a live input from its kind and channel; -4 and
// nothing changed when the item is not live.
int32_t BuildLiveLocation(MediaInfo* info);

// The default live inputs for a channel count: 2 selects the S-Video and
// composite inputs; any other count above 0 that many tuner channels.
std::vector<MediaElement> DefaultChannels(int32_t channelCount, const std::string& hostName);

}  // namespace mvdb
