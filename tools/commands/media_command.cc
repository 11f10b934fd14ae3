// `mvdb media`: a table of the media items, narrowed by category, by the
// time of the last change, or by a text in the title, location or key.
#include <cstring>
#include <iostream>

#include "cli/local_time.h"
#include "cli/record_json.h"
#include "cli/text_table.h"
#include "commands/commands.h"
#include "commands/result_messages.h"

namespace mvdb::cli {

namespace {

using nlohmann::json;

struct MediaOptions {
    std::optional<int32_t> category;
    std::string changedSince;
    std::string find;
};

struct ListedItem {
    int32_t index;  // the item's slot index, which the other commands take
    MediaInfo info;
};

// The slot the tool fills with search results; no other program uses this
// handle's slots.
constexpr int32_t kResultSlot = 0;

// The library's own text search (caseless, multibyte-aware) over titles,
// locations and key names. It reports deleted items too; they are left out.
// Its results are copies that carry their slot index in recordIndex.
std::vector<ListedItem> FindItems(MVDB_HANDLE db, const std::string& pattern) {
    FindCriteria criteria{};
    criteria.criteriaSize = MVDB_FIND_CRITERIA_SIZE;
    criteria.criteriaKind = MVDB_CRITERIA_TEXT;
    criteria.criteriaTarget = MVDB_TARGET_TITLE | MVDB_TARGET_LOCATION_OR_KEY;
    criteria.combineRule = MVDB_COMBINE_REQUIRED;
    criteria.matchMode = MVDB_MATCH_IGNORE_CASE;
    std::snprintf(criteria.pattern, sizeof criteria.pattern, "%s", pattern.c_str());
    const int32_t found = FindMedia(db, 0, &criteria, kResultSlot);
    if (found < 0) Refuse("the search failed: " + ResultText(found));
    std::vector<ListedItem> items;
    for (int32_t position = 0; position < found; ++position) {
        MediaInfo info{};
        if (GetChangedData(db, position, &info, kResultSlot) != MVDB_OK) continue;
        if (!(info.mediaFlags & MVDB_MEDIA_DELETED)) items.push_back({info.recordIndex, info});
    }
    return items;
}

std::vector<ListedItem> AllItems(MVDB_HANDLE db) {
    std::vector<ListedItem> items;
    const int32_t count = GetMediaCount(db);
    for (int32_t index = 0; index < count; ++index) {
        MediaInfo info{};
        if (GetMediaInfo(db, index, &info) == MVDB_OK) items.push_back({index, info});
    }
    return items;
}

int RunMedia(CommandContext& context, const MediaOptions& options) {
    std::optional<int32_t> since;
    if (!options.changedSince.empty()) {
        since = ParseTime(options.changedSince);
        if (!since) {
            throw ToolError("--changed-since: \"" + options.changedSince +
                                "\" is not a time (give seconds since 1970, or a local date and time such as "
                                "\"2024-05-01 18:30\")",
                            kExitUnusable);
        }
    }
    const std::string pattern = options.find.empty() ? "" : context.DatabaseText(options.find, "search text");
    if (pattern.size() >= sizeof FindCriteria{}.pattern) {
        throw ToolError("--find: the search text is longer than 259 bytes", kExitUnusable);
    }

    const std::unique_ptr<OpenDatabase> database = context.OpenForReading();
    const MVDB_HANDLE db = database->get();
    if (options.category) {
        const std::string absent = CategoryAbsence(db, *options.category);
        if (!absent.empty()) Refuse(absent);
    }
    std::vector<ListedItem> items = pattern.empty() ? AllItems(db) : FindItems(db, pattern);
    std::erase_if(items, [&](const ListedItem& item) {
        return (options.category && item.info.categoryId != *options.category) ||
               (since && item.info.updateTime < *since);
    });

    const TextCodec& codec = context.codec();
    if (context.json()) {
        json list = json::array();
        for (const auto& [index, info] : items) {
            json item = MediaJson(info, codec);
            item["index"] = index;
            list.push_back(item);
        }
        PrintJson({{"items", list}});
        return 0;
    }
    using Align = TextTable::Align;
    TextTable table({{"index", Align::kRight},
                     {"title"},
                     {"location"},
                     {"category", Align::kRight},
                     {"type", Align::kRight},
                     {"flags", Align::kRight},
                     {"updated"}});
    for (const auto& [index, info] : items) {
        table.AddRow({std::to_string(index), codec.ToUtf8(FieldText(info.title, sizeof info.title)),
                      codec.ToUtf8(FieldText(info.location, sizeof info.location)),
                      std::to_string(info.categoryId), Hex(info.mediaType), Hex(info.mediaFlags),
                      FormatLocalTime(info.updateTime)});
    }
    table.Print(std::cout, codec);
    return 0;
}

}  // namespace

Command AddMediaCommand(CLI::App& app) {
    auto options = std::make_shared<MediaOptions>();
    CLI::App* command = app.add_subcommand("media", "List the media items");
    command->add_option("--category", options->category, "Only the items filed in this category")
        ->type_name("ID");
    command
        ->add_option("--changed-since", options->changedSince,
                     "Only the items changed at or after TIME: seconds since 1970, or a local \"YYYY-MM-DD[ "
                     "HH:MM[:SS]]\"")
        ->type_name("TIME");
    command
        ->add_option("--find", options->find,
                     "Only the items whose title, location or key contains TEXT, in any case")
        ->type_name("TEXT");
    return {command, [options](CommandContext& context) { return RunMedia(context, *options); }};
}

}  // namespace mvdb::cli
