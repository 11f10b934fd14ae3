// The category tree: ids are positions, the Root heads it at position 0,
// and every live category hangs below a live parent, up to the Root.
#include <cstring>

#include "cli/check_steps.h"
#include "cli/record_json.h"

namespace mvdb::cli {

namespace {

std::string Describe(const TextCodec& codec, const CategoryInfo& info, uint64_t position) {
    return "category " + std::to_string(position) + " " +
           QuotedField(codec, info.categoryName, sizeof info.categoryName);
}

void CheckRoot(const CheckStep& step, const CategoryInfo& root) {
    if (root.categoryStatus & MVDB_CATEGORY_DELETED) {
        step.Report(0, "deleted Root", "the Root at position 0 is deleted");
    } else if (root.parentId != -1) {
        step.Report(
            0, "Root parent",
            "the Root at position 0 has the parent " + std::to_string(root.parentId) + " instead of -1");
    }
}

// Follows the parents of every live category whose parent is live; a walk
// that does not reach the Root within as many steps as there are
// categories goes round a loop.
void CheckReachable(const CheckStep& step, const CategoryTable& table,
                    const std::vector<std::string>& names) {
    for (size_t start = 1; start < table.size(); ++start) {
        if (!table[start].live) continue;
        int32_t at = static_cast<int32_t>(start);
        size_t steps = 0;
        bool parentsLive = true;
        while (at != 0 && steps <= table.size()) {
            const int32_t parent = table[static_cast<size_t>(at)].parentId;
            if (parent < 0 || static_cast<size_t>(parent) >= table.size() ||
                !table[static_cast<size_t>(parent)].live) {
                parentsLive = false;  // reported as a dead parent already
                break;
            }
            at = parent;
            ++steps;
        }
        if (parentsLive && at != 0) {
            step.Report(start, "unreachable category",
                        names[start] + " is not reachable from the Root: its parents form a loop");
        }
    }
}

}  // namespace

CategoryTable CheckCategories(const CheckStep& step) {
    CategoryTable table;
    std::vector<std::string> names;
    std::optional<CategoryInfo> root;
    ForEachRecord(step, [&](uint64_t position, const char* bytes) {
        CategoryInfo info;
        std::memcpy(&info, bytes, sizeof info);
        names.push_back(Describe(step.codec, info, position));
        table.push_back({(info.categoryStatus & MVDB_CATEGORY_DELETED) == 0, info.parentId});
        if (position == 0) root = info;
        if (info.categoryStatus != 0 && info.categoryStatus != MVDB_CATEGORY_DELETED) {
            step.Report(position, "flags no writer sets",
                        names.back() + " has the status " + Hex(info.categoryStatus) +
                            ", neither 0 (live) nor 0x4 (deleted)");
        }
        if (info.recordSize != sizeof(CategoryInfo)) {
            step.Report(position, "records whose size field is wrong",
                        names.back() + " has the record size " + std::to_string(info.recordSize) +
                            " instead of " + std::to_string(sizeof(CategoryInfo)));
        }
        if (info.categoryId < 0 || static_cast<uint64_t>(info.categoryId) != position) {
            step.Report(
                position, "ids that differ from positions",
                names.back() + " has the id " + std::to_string(info.categoryId) + "; ids equal positions");
        }
        if (strnlen(info.categoryName, sizeof info.categoryName) == sizeof info.categoryName) {
            step.Report(position, "names without a NUL", names.back() + ": the name has no terminating NUL");
        }
    });
    if (table.empty()) {
        if (step.file.count() && *step.file.count() >= 0) {
            step.Report(std::nullopt, "no Root", "the file holds no category, not even the Root");
        }
        return table;
    }
    CheckRoot(step, *root);
    for (size_t position = 1; position < table.size(); ++position) {
        if (!table[position].live) continue;
        const int32_t parent = table[position].parentId;
        if (parent < 0 || static_cast<size_t>(parent) >= table.size()) {
            step.Report(
                position, "parents that do not exist",
                names[position] + " has the parent " + std::to_string(parent) + ", which does not exist");
        } else if (!table[static_cast<size_t>(parent)].live) {
            step.Report(position, "parents that are deleted",
                        names[position] + " has the parent " + std::to_string(parent) + ", which is deleted");
        }
    }
    CheckReachable(step, table, names);
    return table;
}

}  // namespace mvdb::cli
