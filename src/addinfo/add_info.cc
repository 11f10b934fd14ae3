// Additional info: up to eight pieces of bytes per item, one info file
// each, described in the item's info area; or, in the older mode, one inline
// text held in the info area itself.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "media/media_database.h"
#include "storage/fixed_string.h"
#include "storage/folder_chain.h"
#include "storage/transaction.h"

namespace mvdb {

namespace {

bool ValidNumber(int32_t number) { return number >= 0 && number < kInfoPieces; }

size_t InlineTextLength(const InfoArea& area) { return FieldLength(area.inlineText); }

}  // namespace

std::string MediaDatabase::InfoFileName(int32_t index, int32_t number) {
    return format::InfoFileName(index, number);
}

std::string MediaDatabase::InfoFilePath(int32_t index, int32_t number) const {
    const std::string name = InfoFileName(index, number);
    // An empty info folder is the current folder, never the root.
    const std::string path =
        infoFolder_.empty() ? std::string(name) : infoFolder_ + platform::kPathSeparator + name;
    if (path.size() >= kPathBufferBytes) return std::string();
    return path;
}

int32_t MediaDatabase::CheckedElement(int32_t index, MediaElement* element) const {
    if (!records_.Get(index, element) || IsDeleted(element->info)) return MVDB_ERR_OUT_OF_RANGE;
    return 0;
}

int32_t MediaDatabase::SetAddInfo(int32_t index, int32_t number, int32_t size, int32_t type,
                                  const void* data) {
    // Orders this change with the item's other changes (a replace).
    platform::CriticalSectionGuard guard(storeLock_);
    MediaElement element;
    if (const int32_t rc = CheckedElement(index, &element); rc != 0) return rc;
    // The item keeps the file mode from now on, even when this call fails.
    // Text left from the inline mode would read as descriptors: clear it.
    records_.Update(index, [](MediaElement& e) {
        if (e.infoArea.infoMode == kInfoModeInlineText)
            std::memset(e.infoArea.inlineText, 0, sizeof e.infoArea.inlineText);
        e.infoArea.infoMode = kInfoModeFiles;
    });
    if (!ValidNumber(number) || number != type) return MVDB_ERR_OUT_OF_RANGE;
    if (size < 0 || (data == nullptr && size > 0)) return MVDB_ERR_WRITE;

    if (InfoFilePath(index, number).empty()) return MVDB_ERR_WRITE;
    // The new content is written aside and replaces the old file only when
    // the record that describes it commits: a crash leaves the old piece or
    // the new one, never neither.
    int32_t result = 0;
    const int32_t committed = Transaction::Within([&](Transaction& change) MVDB_REQUIRES(storeLock_) {
        if (!change.PutInfo(infoFolder_, InfoFileName(index, number), data, static_cast<size_t>(size))) {
            result = MVDB_ERR_WRITE;
            return;
        }
        records_.Update(index, [&](MediaElement& e) {
            e.infoArea.files.descriptors[number].infoSize = size;
            e.infoArea.files.descriptors[number].infoType = type;
        });
        result = WriteRecord(index);
    });
    return committed != 0 ? committed : result;
}

int32_t MediaDatabase::GetAddInfoType(int32_t index, int32_t number, int32_t* size, int32_t* type) {
    MediaElement element;
    if (const int32_t rc = CheckedElement(index, &element); rc != 0) return rc;
    const InfoArea& area = element.infoArea;
    int32_t pieceSize = 0;
    int32_t pieceType = 0;
    int32_t result = 0;
    if (area.infoMode == kInfoModeFiles) {
        if (!ValidNumber(number)) return MVDB_ERR_OUT_OF_RANGE;
        pieceSize = area.files.descriptors[number].infoSize;
        pieceType = area.files.descriptors[number].infoType;
        if (pieceSize < 0) {
            result = MVDB_ERR_SHORT_READ;  // no file has a negative size
        } else if (pieceSize > 0) {
            // A stored size the file cannot satisfy is reported before a
            // caller allocates a buffer for it.
            const std::unique_ptr<platform::File> file =
                platform::OpenExistingForRead(InfoFilePath(index, number));
            if (!file) {
                result = MVDB_ERR_NOT_FOUND;
            } else if (file->Size() < pieceSize) {
                result = MVDB_ERR_SHORT_READ;
            }
        }
    } else if (area.infoMode == kInfoModeInlineText) {
        if (number != 0) return MVDB_ERR_OUT_OF_RANGE;
        pieceSize = static_cast<int32_t>(InlineTextLength(area));
        if (pieceSize == 0) result = MVDB_ERR_NOT_FOUND;
    } else {
        return MVDB_ERR_INFO_MODE;
    }
    if (size != nullptr) *size = pieceSize;
    if (type != nullptr) *type = pieceType;
    return result;
}

int32_t MediaDatabase::GetAddInfo(int32_t index, int32_t number, void* buffer) {
    MediaElement element;
    if (const int32_t rc = CheckedElement(index, &element); rc != 0) return rc;
    const InfoArea& area = element.infoArea;
    if (area.infoMode == kInfoModeFiles) {
        if (!ValidNumber(number)) return MVDB_ERR_OUT_OF_RANGE;
        std::unique_ptr<platform::File> file = platform::OpenExistingForRead(InfoFilePath(index, number));
        if (!file) {
            // The piece is gone: forget it in memory.
            records_.Update(index,
                            [number](MediaElement& e) { e.infoArea.files.descriptors[number].infoSize = 0; });
            return MVDB_ERR_NOT_FOUND;
        }
        const int32_t wanted = area.files.descriptors[number].infoSize;
        if (wanted < 0) return MVDB_ERR_SHORT_READ;  // a size no file can have: nothing is read
        if (wanted == 0) return 0;
        if (buffer == nullptr) return MVDB_ERR_INVALID;
        // Never ask for more than the file holds: a stored size far beyond
        // it must not reach the system as the length of the caller's buffer.
        const int64_t present = file->Size();
        const size_t readable = static_cast<size_t>(std::clamp<int64_t>(present, 0, wanted));
        if (readable > 0 && file->ReadAt(0, buffer, readable) != static_cast<int64_t>(readable))
            return MVDB_ERR_SHORT_READ;
        return readable == static_cast<size_t>(wanted) ? 0 : MVDB_ERR_SHORT_READ;
    }
    if (area.infoMode == kInfoModeInlineText) {
        if (number != 0) return MVDB_ERR_OUT_OF_RANGE;
        if (buffer == nullptr) return MVDB_ERR_INVALID;
        const size_t length = InlineTextLength(area);
        std::memcpy(buffer, area.inlineText, length);
        static_cast<char*>(buffer)[length] = '\0';
        return 0;
    }
    return MVDB_ERR_INFO_MODE;
}

int32_t MediaDatabase::ReadInfoText(int32_t index, int32_t number, std::vector<char>* text) const {
    MediaElement element;
    if (const int32_t rc = CheckedElement(index, &element); rc != 0) return rc;
    const InfoArea& area = element.infoArea;
    if (area.infoMode == kInfoModeInlineText) {
        if (number != 0) return MVDB_ERR_OUT_OF_RANGE;
        const size_t length = InlineTextLength(area);
        if (length == 0) return MVDB_ERR_NOT_FOUND;
        text->assign(area.inlineText, area.inlineText + length);
        text->push_back('\0');
        return 0;
    }
    if (area.infoMode != kInfoModeFiles) return MVDB_ERR_INFO_MODE;
    if (!ValidNumber(number)) return MVDB_ERR_OUT_OF_RANGE;
    const int32_t stored = area.files.descriptors[number].infoSize;
    if (stored == 0) return MVDB_ERR_NOT_FOUND;
    if (stored < 0) return MVDB_ERR_SHORT_READ;
    const std::unique_ptr<platform::File> file = platform::OpenExistingForRead(InfoFilePath(index, number));
    if (!file) return MVDB_ERR_NOT_FOUND;
    if (file->Size() < stored) return MVDB_ERR_SHORT_READ;
    const size_t size = static_cast<size_t>(stored);
    try {
        text->assign(size + 1, '\0');
    } catch (const std::bad_alloc&) {
        return MVDB_ERR_NO_RECORD;
    }
    // The file may have changed since its size was taken: only what was
    // read counts, and the buffer already holds room for all of it.
    if (file->ReadAt(0, text->data(), size) != stored) return MVDB_ERR_SHORT_READ;
    return 0;
}

int32_t MediaDatabase::DelAddInfo(int32_t index, int32_t number) {
    platform::CriticalSectionGuard guard(storeLock_);
    MediaElement element;
    if (const int32_t rc = CheckedElement(index, &element); rc != 0) return rc;
    const int32_t mode = element.infoArea.infoMode;
    if (mode == kInfoModeFiles) {
        if (!ValidNumber(number)) return MVDB_ERR_OUT_OF_RANGE;
        // The file goes once the record without it has committed.
        if (!InfoFilePath(index, number).empty()) RemoveInfoFileWithChange(index, number);
        records_.Update(index,
                        [number](MediaElement& e) { e.infoArea.files.descriptors[number].infoSize = 0; });
    } else if (mode == kInfoModeInlineText) {
        if (number != 0) return MVDB_ERR_OUT_OF_RANGE;
        records_.Update(index, [](MediaElement& e) {
            std::memset(e.infoArea.inlineText, 0, sizeof e.infoArea.inlineText);
        });
    } else {
        return MVDB_ERR_INFO_MODE;
    }
    // Written through, so the piece stays gone after the next open.
    return WriteRecord(index);
}

int32_t MediaDatabase::CheckAddInfo(int32_t index) const {
    MediaElement element;
    if (const int32_t rc = CheckedElement(index, &element); rc != 0) return rc;
    const InfoArea& area = element.infoArea;
    if (area.infoMode == kInfoModeFiles) {
        int32_t pieces = 0;
        for (const InfoDescriptor& d : area.files.descriptors) pieces += d.infoSize != 0 ? 1 : 0;
        return pieces;
    }
    if (area.infoMode == kInfoModeInlineText) return InlineTextLength(area) > 0 ? 1 : 0;
    return MVDB_ERR_INFO_MODE;
}

int32_t MediaDatabase::RemoveInfoFileWithChange(int32_t index, int32_t number) {
    return Transaction::Within(
        [&](Transaction& change) { change.RemoveInfo(infoFolder_, InfoFileName(index, number)); });
}

int32_t MediaDatabase::DeleteMediaInfoFiles(int32_t index) {
    MediaElement element;
    if (!records_.Get(index, &element)) return MVDB_ERR_OUT_OF_RANGE;
    const int32_t mode = element.infoArea.infoMode;
    if (mode == kInfoModeFiles) {
        for (int32_t n = 0; n < kInfoPieces; ++n) {
            if (!InfoFilePath(index, n).empty()) RemoveInfoFileWithChange(index, n);
        }
        records_.Update(index, [](MediaElement& e) {
            for (InfoDescriptor& d : e.infoArea.files.descriptors) d.infoSize = 0;
        });
        return 0;
    }
    if (mode == kInfoModeInlineText) {
        records_.Update(index, [](MediaElement& e) {
            std::memset(e.infoArea.inlineText, 0, sizeof e.infoArea.inlineText);
        });
        return 0;
    }
    return MVDB_ERR_INFO_MODE;
}

}  // namespace mvdb
