#include "cli/load_check.h"

namespace mvdb::cli {

namespace {

// The client file's rule for its account block: a password length the
// field can hold.
constexpr int32_t kLongestStoredPassword = 64;

}  // namespace

std::optional<std::string> WhyFileWouldBeReplaced(const std::string& path, Catalogue kind) {
    std::optional<CatalogueFile> file;
    try {
        file.emplace(path);
    } catch (const FileError&) {
        return std::nullopt;
    }
    if (file->size() == 0) return std::nullopt;
    if (!file->magicIsValid()) return "it does not begin with the database magic";
    if (file->accountBytesHeld() < kAccountBytes) return "it ends inside its account block";
    const int32_t passwordLength = file->storedAccount().passwordLength;
    if (kind == Catalogue::kClient && (passwordLength < 0 || passwordLength > kLongestStoredPassword)) {
        return "its account block is damaged (password length " + std::to_string(passwordLength) + ")";
    }
    if (kind == Catalogue::kCategory && file->count() && *file->count() != 0 &&
        (*file->count() < 0 || file->RecordsHeld(TraitsOf(kind).fileRecordSize) == 0)) {
        return "its record count (" + std::to_string(*file->count()) + ") promises records it does not hold";
    }
    return std::nullopt;
}

}  // namespace mvdb::cli
