// `mvdb categories`: the category tree below the Root, indented, with each
// category's id, access flags and the number of media items filed in it.
#include <iostream>
#include <map>
#include <set>

#include "cli/record_json.h"
#include "cli/text_table.h"
#include "commands/commands.h"

namespace mvdb::cli {

namespace {

using nlohmann::json;

struct TreeEntry {
    CategoryInfo info;
    int depth;
    bool reachable;
};

// The live categories in tree order: each after its parent, children in
// id order. Live categories that no chain of parents joins to the Root
// follow at the end.
std::vector<TreeEntry> WalkTree(const std::map<int32_t, CategoryInfo>& live) {
    std::map<int32_t, std::vector<int32_t>> children;
    for (const auto& [id, info] : live) {
        if (id != 0) children[info.parentId].push_back(id);
    }
    std::vector<TreeEntry> order;
    std::set<int32_t> visited;
    std::vector<std::pair<int32_t, int>> stack;
    if (live.count(0)) stack.push_back({0, 0});
    while (!stack.empty()) {
        const auto [id, depth] = stack.back();
        stack.pop_back();
        if (!visited.insert(id).second) continue;
        order.push_back({live.at(id), depth, true});
        const std::vector<int32_t>& below = children[id];
        for (auto child = below.rbegin(); child != below.rend(); ++child)
            stack.push_back({*child, depth + 1});
    }
    for (const auto& [id, info] : live) {
        if (!visited.count(id)) order.push_back({info, 0, false});
    }
    return order;
}

std::string FlagsText(uint32_t flags) {
    std::string names;
    for (const auto& name : CategoryFlagNames(flags))
        names += (names.empty() ? "" : ", ") + name.get<std::string>();
    return names.empty() ? Hex(flags) : Hex(flags) + " (" + names + ")";
}

int RunCategories(CommandContext& context) {
    const std::unique_ptr<OpenDatabase> database = context.OpenForReading();
    const MVDB_HANDLE db = database->get();
    const TextCodec& codec = context.codec();

    std::map<int32_t, CategoryInfo> live;
    const int32_t count = GetCategoryCount(db);
    for (int32_t id = 0; id < count; ++id) {
        CategoryInfo info{};
        if (GetCategoryInfo(db, id, &info) == MVDB_OK) live[id] = info;
    }
    std::map<int32_t, int64_t> items;
    const int32_t media = GetMediaCount(db);
    for (int32_t index = 0; index < media; ++index) {
        MediaInfo info{};
        if (GetMediaInfo(db, index, &info) == MVDB_OK) ++items[info.categoryId];
    }

    const std::vector<TreeEntry> tree = WalkTree(live);
    if (context.json()) {
        json list = json::array();
        for (const TreeEntry& entry : tree) {
            json category = CategoryJson(entry.info, codec);
            category["depth"] = entry.depth;
            category["reachable"] = entry.reachable;
            category["items"] = items[entry.info.categoryId];
            list.push_back(category);
        }
        PrintJson({{"categories", list}});
        return 0;
    }

    using Align = TextTable::Align;
    TextTable table({{"id", Align::kRight}, {"items", Align::kRight}, {"name"}, {"flags"}});
    bool unreachableShown = false;
    for (const TreeEntry& entry : tree) {
        if (!entry.reachable && !unreachableShown) {
            table.AddRow({"", "", "(not reachable from the Root)", ""});
            unreachableShown = true;
        }
        const std::string name =
            codec.ToUtf8(FieldText(entry.info.categoryName, sizeof entry.info.categoryName));
        table.AddRow({std::to_string(entry.info.categoryId), std::to_string(items[entry.info.categoryId]),
                      std::string(static_cast<size_t>(entry.depth) * 2, ' ') + name,
                      FlagsText(entry.info.accessFlags)});
    }
    table.Print(std::cout, codec);
    return 0;
}

}  // namespace

Command AddCategoriesCommand(CLI::App& app) {
    CLI::App* command =
        app.add_subcommand("categories", "Show the category tree with ids, access flags and item counts");
    return {command, RunCategories};
}

}  // namespace mvdb::cli
