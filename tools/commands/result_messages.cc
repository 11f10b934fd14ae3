#include "commands/result_messages.h"

#include "commands/command_context.h"

namespace mvdb::cli {

std::string CategoryAbsence(MVDB_HANDLE db, int32_t id) {
    const std::string name = "category " + std::to_string(id);
    if (id < 0 || id >= GetCategoryCount(db)) return name + " does not exist";
    CategoryInfo info{};
    if (GetCategoryInfo(db, id, &info) != MVDB_OK) return name + " is deleted";
    return std::string();
}

std::string MediaAbsence(MVDB_HANDLE db, int32_t index) {
    const std::string name = "media item " + std::to_string(index);
    if (index < 0 || index >= GetMediaCount(db)) return name + " does not exist";
    MediaInfo info{};
    if (GetMediaInfo(db, index, &info) != MVDB_OK) return name + " is deleted";
    return std::string();
}

std::string ResultText(int32_t result) {
    switch (result) {
        case MVDB_ERR_INVALID:
            return "the request was invalid";
        case MVDB_ERR_NOT_FOUND:
            return "nothing matches";
        case MVDB_ERR_OUT_OF_RANGE:
            return "no such record (it is out of range or deleted)";
        case MVDB_ERR_NO_RECORD:
            return "no record was given or no memory was left";
        case MVDB_ERR_WRITE:
            return "an info file could not be written";
        case MVDB_ERR_SHORT_READ:
            return "an info file is shorter than recorded";
        case MVDB_ERR_BAD_SLOT:
            return "a result slot number is out of range";
        case MVDB_ERR_ACCESS_DENIED:
            return "a category's access flags forbid it";
        case MVDB_ERR_INFO_MODE:
            return "the item's info area is damaged (in neither of its modes)";
        default:
            return "the library answered " + std::to_string(result);
    }
}

void Refuse(const std::string& message) { throw ToolError(message); }

}  // namespace mvdb::cli
