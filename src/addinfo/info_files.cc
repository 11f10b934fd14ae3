#include "addinfo/info_files.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "format/configuration.h"
#include "platform/platform.h"
#include "storage/fixed_string.h"

namespace mvdb {

bool ValidInfoNumber(int32_t number) { return number >= 0 && number < kInfoPieces; }

size_t InlineTextLength(const InfoArea& area) { return FieldLength(area.inlineText); }

std::string InfoFileName(int32_t index, int32_t number) { return format::InfoFileName(index, number); }

std::string InfoFilePath(const std::string& folder, int32_t index, int32_t number) {
    const std::string name = InfoFileName(index, number);
    const std::string path = folder.empty() ? std::string(name) : folder + platform::kPathSeparator + name;
    if (path.size() >= format::kPathBufferBytes) return std::string();
    return path;
}

void SwitchToFileMode(InfoArea& area) {
    if (area.infoMode == kInfoModeInlineText) ClearInlineText(area);
    area.infoMode = kInfoModeFiles;
}

void ClearInlineText(InfoArea& area) { std::memset(area.inlineText, 0, sizeof area.inlineText); }

void ForgetInfoPiece(InfoArea& area, int32_t number) { area.files.descriptors[number].infoSize = 0; }

void ForgetAllInfoPieces(InfoArea& area) {
    for (InfoDescriptor& d : area.files.descriptors) d.infoSize = 0;
}

int32_t CountInfoPieces(const InfoArea& area) {
    if (area.infoMode == kInfoModeFiles) {
        int32_t pieces = 0;
        for (const InfoDescriptor& d : area.files.descriptors) pieces += d.infoSize != 0 ? 1 : 0;
        return pieces;
    }
    if (area.infoMode == kInfoModeInlineText) return InlineTextLength(area) > 0 ? 1 : 0;
    return MVDB_ERR_INFO_MODE;
}

int32_t CheckInfoFile(const std::string& path, int32_t storedSize) {
    if (storedSize < 0) return MVDB_ERR_SHORT_READ;  // no file has a negative size
    if (storedSize == 0) return 0;
    // A stored size the file cannot satisfy is reported before a caller
    // allocates a buffer for it.
    const std::unique_ptr<platform::File> file = platform::OpenExistingForRead(path);
    if (!file) return MVDB_ERR_NOT_FOUND;
    if (file->Size() < storedSize) return MVDB_ERR_SHORT_READ;
    return 0;
}

int32_t ReadInfoFile(const std::string& path, int32_t wanted, void* buffer) {
    const std::unique_ptr<platform::File> file = platform::OpenExistingForRead(path);
    if (!file) return MVDB_ERR_NOT_FOUND;
    if (wanted < 0) return MVDB_ERR_SHORT_READ;  // a size no file can have: nothing is read
    if (wanted == 0) return 0;
    if (buffer == nullptr) return MVDB_ERR_INVALID;
    // Never ask for more than the file holds: a stored size far beyond it
    // must not reach the system as the length of the caller's buffer.
    const int64_t present = file->Size();
    const size_t readable = static_cast<size_t>(std::clamp<int64_t>(present, 0, wanted));
    if (readable > 0 && file->ReadAt(0, buffer, readable) != static_cast<int64_t>(readable))
        return MVDB_ERR_SHORT_READ;
    return readable == static_cast<size_t>(wanted) ? 0 : MVDB_ERR_SHORT_READ;
}

int32_t ReadInfoFileText(const std::string& path, int32_t storedSize, std::vector<char>* text) {
    if (storedSize == 0) return MVDB_ERR_NOT_FOUND;
    if (storedSize < 0) return MVDB_ERR_SHORT_READ;
    const std::unique_ptr<platform::File> file = platform::OpenExistingForRead(path);
    if (!file) return MVDB_ERR_NOT_FOUND;
    if (file->Size() < storedSize) return MVDB_ERR_SHORT_READ;
    const size_t size = static_cast<size_t>(storedSize);
    try {
        text->assign(size + 1, '\0');
    } catch (const std::bad_alloc&) {
        return MVDB_ERR_NO_RECORD;
    }
    // The file may have changed since its size was taken: only what was
    // read counts, and the buffer already holds room for all of it.
    if (file->ReadAt(0, text->data(), size) != storedSize) return MVDB_ERR_SHORT_READ;
    return 0;
}

bool PutInfoFile(Transaction& change, const std::string& folder, int32_t index, int32_t number,
                 const void* data, int32_t size) {
    return change.PutInfo(folder, InfoFileName(index, number), data, static_cast<size_t>(size));
}

int32_t RemoveInfoFileWithChange(const std::string& folder, int32_t index, int32_t number) {
    return Transaction::Within(
        [&](Transaction& change) { change.RemoveInfo(folder, InfoFileName(index, number)); });
}

}  // namespace mvdb
