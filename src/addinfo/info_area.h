// The info area behind each MediaInfo inside a media element: either one
// inline text (mode 0) or eight descriptors of info files (mode 1). Its
// layout is part of the file format (format/info_area.h).
#pragma once

#include "format/info_area.h"

namespace mvdb {

using format::InfoArea;
using format::InfoDescriptor;
using format::kInfoModeFiles;
using format::kInfoModeInlineText;
using format::kInfoPieces;

}  // namespace mvdb
