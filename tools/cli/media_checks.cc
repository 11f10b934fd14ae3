// Media items: their categories, and their info areas against the info
// files on the disk.
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include "cli/check_steps.h"
#include "cli/record_json.h"
#include "format/container.h"
#include "format/info_area.h"

namespace mvdb::cli {

namespace {

// Every mediaFlags bit the library and its callers give a meaning.
constexpr uint32_t kKnownMediaFlags =
    MVDB_MEDIA_DELETED | MVDB_MEDIA_NOT_NORMAL | MVDB_MEDIA_CATEGORY_NEUTRAL;

using PieceKey = std::pair<int64_t, int>;

// The item and number of a name the library builds: MVDB<index>-<number>.dat.
std::optional<PieceKey> ParseInfoFileName(const std::string& name) {
    const std::optional<format::InfoFileKey> key = format::ParseInfoFileName(name);
    if (!key) return std::nullopt;
    return PieceKey{key->index, key->number};
}

std::string InfoFileName(const PieceKey& key) {
    return format::InfoFileName(static_cast<int32_t>(key.first), key.second);
}

// The info files in the folder, by item and number, with their sizes. Names
// that the library would not have built are left alone.
std::map<PieceKey, uint64_t> ListInfoFiles(const std::string& folder) {
    std::map<PieceKey, uint64_t> files;
    std::error_code error;
    const std::filesystem::path path =
        folder.empty() ? std::filesystem::path(".") : std::filesystem::path(folder);
    for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
        if (!entry.is_regular_file(error)) continue;
        const std::string name = entry.path().filename().string();
        const std::optional<PieceKey> key = ParseInfoFileName(name);
        if (!key) continue;
        files[*key] = entry.file_size(error);
    }
    return files;
}

class MediaChecker {
public:
    MediaChecker(const CheckStep& step, const CategoryTable* categories,
                 const std::optional<std::string>& infoFolder)
        : step_(step), categories_(categories), infoFolder_(infoFolder) {
        if (infoFolder_) infoFiles_ = ListInfoFiles(*infoFolder_);
    }

    void Check(uint64_t position, const char* element) {
        MediaInfo info;
        std::memcpy(&info, element, sizeof info);
        const std::string item = "item " + std::to_string(position) + " " +
                                 QuotedField(step_.codec, info.title, sizeof info.title);
        if (info.recordSize != sizeof(MediaInfo)) {
            step_.Report(position, "records whose size field is wrong",
                         item + " has the record size " + std::to_string(info.recordSize) + " instead of " +
                             std::to_string(sizeof(MediaInfo)));
        }
        // Values no writer produces are reported whether or not their bits
        // also say "deleted": a stray 0xFFFFFFFF must not pass as a deletion.
        if (const uint32_t unknown = info.mediaFlags & ~kKnownMediaFlags; unknown != 0) {
            step_.Report(
                position, "flags no writer sets",
                item + " has the flags " + Hex(info.mediaFlags) + ", with the unknown bits " + Hex(unknown));
        }
        const format::InfoArea area = format::InfoAreaOf(element);
        if (area.infoMode != format::kInfoModeInlineText && area.infoMode != format::kInfoModeFiles) {
            step_.Report(
                position, "info areas in no mode",
                item + ": the info area's mode " + std::to_string(area.infoMode) + " is neither 0 nor 1");
        }
        if (info.mediaFlags & MVDB_MEDIA_DELETED) return;
        CheckCategory(position, item, info.categoryId);
        CheckInfoArea(position, item, area);
    }

    // Info files that no piece of a live item accounts for.
    void CheckLeftoverFiles() {
        if (!infoFolder_) return;
        for (const auto& [key, size] : infoFiles_) {
            if (size == 0 || claimed_.count(key)) continue;
            step_.Report(std::nullopt, "info files that belong to nothing",
                         "the info file " + InfoFileName(key) + " (" + std::to_string(size) +
                             " bytes) belongs to no piece of info of a live item");
        }
    }

private:
    void CheckCategory(uint64_t position, const std::string& item, int32_t categoryId) {
        if (categories_ == nullptr) return;
        if (categoryId < 0 || static_cast<size_t>(categoryId) >= categories_->size()) {
            step_.Report(
                position, "items in missing categories",
                item + " is filed in category " + std::to_string(categoryId) + ", which does not exist");
        } else if (!(*categories_)[static_cast<size_t>(categoryId)].live) {
            step_.Report(position, "items in deleted categories",
                         item + " is filed in category " + std::to_string(categoryId) + ", which is deleted");
        }
    }

    void CheckInfoArea(uint64_t position, const std::string& item, const format::InfoArea& area) {
        if (area.infoMode != format::kInfoModeFiles) return;  // inline text, or no mode (reported by Check)
        for (int n = 0; n < format::kInfoPieces; ++n) {
            const int32_t size = area.files.descriptors[n].infoSize;
            const std::string piece = item + ": info " + std::to_string(n);
            if (size < 0) {
                step_.Report(position, "negative info sizes",
                             piece + " has the negative size " + std::to_string(size));
                continue;
            }
            if (size == 0 || !infoFolder_) continue;
            const PieceKey key{static_cast<int64_t>(position), n};
            claimed_.insert(key);
            const auto file = infoFiles_.find(key);
            const std::string name = InfoFileName(key);
            if (file == infoFiles_.end()) {
                step_.Report(position, "missing info files",
                             piece + " (" + std::to_string(size) + " bytes) has no file " + name +
                                 " in the info folder");
            } else if (file->second != static_cast<uint64_t>(size)) {
                step_.Report(position, "info files of the wrong size",
                             piece + ": " + name + " holds " + std::to_string(file->second) +
                                 " bytes, the item says " + std::to_string(size));
            }
        }
    }

    const CheckStep& step_;
    const CategoryTable* categories_;
    std::optional<std::string> infoFolder_;
    std::map<PieceKey, uint64_t> infoFiles_;
    std::set<PieceKey> claimed_;
};

}  // namespace

void CheckMedia(const CheckStep& step, const CategoryTable* categories,
                const std::optional<std::string>& infoFolder) {
    MediaChecker checker(step, categories, infoFolder);
    ForEachRecord(step, [&](uint64_t position, const char* element) { checker.Check(position, element); });
    checker.CheckLeftoverFiles();
}

}  // namespace mvdb::cli
