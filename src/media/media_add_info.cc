// The media catalogue's side of additional info: each operation checks the
// item, reads or updates the info area in its record, and leaves the info
// files themselves to addinfo/info_files.h.
#include <cstring>
#include <vector>

#include "addinfo/info_files.h"
#include "media/media_database.h"
#include "storage/transaction.h"

namespace mvdb {

std::string MediaDatabase::InfoFileName(int32_t index, int32_t number) {
    return mvdb::InfoFileName(index, number);
}

std::string MediaDatabase::InfoFilePath(int32_t index, int32_t number) const {
    return mvdb::InfoFilePath(infoFolder_, index, number);
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
    records_.Update(index, [](MediaElement& e) { SwitchToFileMode(e.infoArea); });
    if (!ValidInfoNumber(number) || number != type) return MVDB_ERR_OUT_OF_RANGE;
    if (size < 0 || (data == nullptr && size > 0)) return MVDB_ERR_WRITE;

    if (InfoFilePath(index, number).empty()) return MVDB_ERR_WRITE;
    // The new content is written aside and replaces the old file only when
    // the record that describes it commits: a crash leaves the old piece or
    // the new one, never neither.
    int32_t result = 0;
    const int32_t committed = Transaction::Within([&](Transaction& change) MVDB_REQUIRES(storeLock_) {
        if (!PutInfoFile(change, infoFolder_, index, number, data, size)) {
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
        if (!ValidInfoNumber(number)) return MVDB_ERR_OUT_OF_RANGE;
        pieceSize = area.files.descriptors[number].infoSize;
        pieceType = area.files.descriptors[number].infoType;
        result = CheckInfoFile(InfoFilePath(index, number), pieceSize);
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
        if (!ValidInfoNumber(number)) return MVDB_ERR_OUT_OF_RANGE;
        const int32_t rc =
            ReadInfoFile(InfoFilePath(index, number), area.files.descriptors[number].infoSize, buffer);
        if (rc == MVDB_ERR_NOT_FOUND) {
            // The piece is gone: forget it in memory.
            records_.Update(index, [number](MediaElement& e) { ForgetInfoPiece(e.infoArea, number); });
        }
        return rc;
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
    if (!ValidInfoNumber(number)) return MVDB_ERR_OUT_OF_RANGE;
    return ReadInfoFileText(InfoFilePath(index, number), area.files.descriptors[number].infoSize, text);
}

int32_t MediaDatabase::DelAddInfo(int32_t index, int32_t number) {
    platform::CriticalSectionGuard guard(storeLock_);
    MediaElement element;
    if (const int32_t rc = CheckedElement(index, &element); rc != 0) return rc;
    const int32_t mode = element.infoArea.infoMode;
    if (mode == kInfoModeFiles) {
        if (!ValidInfoNumber(number)) return MVDB_ERR_OUT_OF_RANGE;
        // The file goes once the record without it has committed.
        if (!InfoFilePath(index, number).empty()) RemoveInfoFileWithChange(index, number);
        records_.Update(index, [number](MediaElement& e) { ForgetInfoPiece(e.infoArea, number); });
    } else if (mode == kInfoModeInlineText) {
        if (number != 0) return MVDB_ERR_OUT_OF_RANGE;
        records_.Update(index, [](MediaElement& e) { ClearInlineText(e.infoArea); });
    } else {
        return MVDB_ERR_INFO_MODE;
    }
    // Written through, so the piece stays gone after the next open.
    return WriteRecord(index);
}

int32_t MediaDatabase::CheckAddInfo(int32_t index) const {
    MediaElement element;
    if (const int32_t rc = CheckedElement(index, &element); rc != 0) return rc;
    return CountInfoPieces(element.infoArea);
}

int32_t MediaDatabase::RemoveInfoFileWithChange(int32_t index, int32_t number) {
    return mvdb::RemoveInfoFileWithChange(infoFolder_, index, number);
}

int32_t MediaDatabase::DeleteMediaInfoFiles(int32_t index) {
    MediaElement element;
    if (!records_.Get(index, &element)) return MVDB_ERR_OUT_OF_RANGE;
    const int32_t mode = element.infoArea.infoMode;
    if (mode == kInfoModeFiles) {
        for (int32_t n = 0; n < kInfoPieces; ++n) {
            if (!InfoFilePath(index, n).empty()) RemoveInfoFileWithChange(index, n);
        }
        records_.Update(index, [](MediaElement& e) { ForgetAllInfoPieces(e.infoArea); });
        return 0;
    }
    if (mode == kInfoModeInlineText) {
        records_.Update(index, [](MediaElement& e) { ClearInlineText(e.infoArea); });
        return 0;
    }
    return MVDB_ERR_INFO_MODE;
}

}  // namespace mvdb
