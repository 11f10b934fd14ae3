#include "storage/folder_chain.h"

namespace mvdb {

bool EndsWithSeparator(const std::string& path, char separator, const platform::CodePage& codePage) {
    if (path.empty()) return false;
    const char* begin = path.c_str();
    const char* last = nullptr;
    for (const char* sep = codePage.FindChar(begin, static_cast<unsigned char>(separator)); sep != nullptr;
         sep = codePage.FindChar(sep + 1, static_cast<unsigned char>(separator))) {
        last = sep;
    }
    return last == begin + path.size() - 1;
}

int32_t CreateFolderChain(const std::string& path, int32_t isFolder, const platform::CodePage& codePage) {
    std::string folder;
    if (isFolder != 0) {
        folder = path;
    } else {
        const platform::SplitPathResult parts = platform::SplitPath(path);
        folder = parts.drive + parts.directory;
    }
    if (folder.size() >= kPathBufferBytes) return -1;
    if (EndsWithSeparator(folder, platform::kPathSeparator, codePage)) folder.pop_back();
    if (!platform::IsCreatablePath(folder)) return -1;

    // Walk the separators left to right; the multibyte-aware search never
    // takes the second byte of a double-byte character for a separator.
    const char* begin = folder.c_str();
    for (const char* sep = codePage.FindChar(begin, static_cast<unsigned char>(platform::kPathSeparator));
         sep != nullptr;
         sep = codePage.FindChar(sep + 1, static_cast<unsigned char>(platform::kPathSeparator))) {
        const std::string prefix(begin, static_cast<size_t>(sep - begin));
        if (prefix.empty()) continue;  // the root of an absolute POSIX path
        if (!platform::PathExists(prefix) && !platform::MakeDirectory(prefix)) return -1;
    }
    if (platform::PathExists(folder)) return 1;
    return platform::MakeDirectory(folder) ? 1 : 0;
}

}  // namespace mvdb
