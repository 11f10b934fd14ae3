// Creation of the folders along a path before a store opens its file.
#pragma once

#include <cstdint>
#include <string>

#include "format/configuration.h"
#include "platform/platform.h"

namespace mvdb {

// Working paths are held in buffers of this size, NUL included.
using format::kPathBufferBytes;

// True when the last character of `path` is the separator, a single-byte
// character of its own: the second byte of a double-byte character is never
// taken for one, whatever its value.
bool EndsWithSeparator(const std::string& path, char separator, const platform::CodePage& codePage);

// Creates every missing folder along `path`: the path itself when isFolder
// is nonzero, else the folder that holds the file it names. 1 when the folder
// exists afterwards; 0 when only the last folder could not be created; -1
// when the path is refused (relative, a root alone, too long) or a parent
// folder could not be created.
int32_t CreateFolderChain(const std::string& path, int32_t isFolder, const platform::CodePage& codePage);

}  // namespace mvdb
