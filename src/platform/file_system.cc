// The process-wide choice of file layer (the system's unless a test put its
// own in place), and the folder of a path.
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

std::string FolderOf(const std::string& path) {
    const size_t cut = path.find_last_of(kPathSeparator == '\\' ? "\\/:" : "/");
    if (cut == std::string::npos) return std::string();
    return path.substr(0, cut == 0 ? 1 : cut);
}

}  // namespace mvdb::platform
