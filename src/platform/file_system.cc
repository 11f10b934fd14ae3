// The process-wide choice of file layer: the system's unless a test put its
// own in place.
#include <atomic>

#include "platform/platform.h"

namespace mvdb::platform {

namespace {

std::atomic<FileSystem*> g_replacement{nullptr};

}  // namespace

FileSystem& Files() {
    FileSystem* replacement = g_replacement.load(std::memory_order_acquire);
    return replacement != nullptr ? *replacement : SystemFiles();
}

void SetFilesForTesting(FileSystem* files) { g_replacement.store(files, std::memory_order_release); }

}  // namespace mvdb::platform
