// `mvdb add-media` and `mvdb del-media`, under the access rules of the
// categories involved.
#include <cstring>
#include <iostream>

#include "cli/record_json.h"
#include "commands/commands.h"
#include "commands/result_messages.h"

namespace mvdb::cli {

namespace {

struct AddMediaOptions {
    std::string title;
    std::string location;
    std::string key;
    int32_t category = 0;
    std::string type;
};

struct DelMediaOptions {
    int32_t index = 0;
};

// Copies a text into a fixed field, refusing what does not fit with its NUL.
template <size_t N>
void SetField(char (&field)[N], const std::string& text, const std::string& what) {
    if (text.size() >= N)
        throw ToolError("the " + what + " is longer than " + std::to_string(N - 1) + " bytes", kExitUnusable);
    std::memcpy(field, text.data(), text.size());
}

int RunAddMedia(CommandContext& context, const AddMediaOptions& options) {
    MediaInfo info{};
    SetField(info.title, context.DatabaseText(options.title, "title"), "title");
    SetField(info.location, context.DatabaseText(options.location, "location"), "location");
    SetField(info.keyName, context.DatabaseText(options.key, "key"), "key");
    info.categoryId = options.category;
    info.mediaType = options.type.empty() ? 0 : ParseHexWord(options.type, "--type");

    const std::unique_ptr<OpenDatabase> database = context.OpenForChange();
    const MVDB_HANDLE db = database->get();
    const int32_t index = AddMediaInfo(db, &info);
    if (index == MVDB_ERR_OUT_OF_RANGE)
        Refuse("the item was not added: " + CategoryAbsence(db, options.category));
    if (index == MVDB_ERR_ACCESS_DENIED)
        Refuse("category " + std::to_string(options.category) + " forbids adding media");
    if (index < 0) Refuse("the item was not added: " + ResultText(index));
    if (context.json()) {
        PrintJson({{"index", index}});
    } else {
        context.PrintLine("added media item " + std::to_string(index) + " \"" +
                          context.codec().NativeToUtf8(options.title) + "\" to category " +
                          std::to_string(options.category));
    }
    return 0;
}

int RunDelMedia(CommandContext& context, const DelMediaOptions& options) {
    const std::unique_ptr<OpenDatabase> database = context.OpenForChange();
    const MVDB_HANDLE db = database->get();
    const std::string absent = MediaAbsence(db, options.index);
    if (!absent.empty()) Refuse(absent);
    MediaInfo info{};
    GetMediaInfo(db, options.index, &info);
    const std::string item = "media item " + std::to_string(options.index);
    const int32_t result = DelMediaInfo(db, options.index);
    if (result == MVDB_ERR_ACCESS_DENIED)
        Refuse("category " + std::to_string(info.categoryId) + " forbids removing media");
    if (result < 0) Refuse(item + " was not deleted: " + ResultText(result));
    if (context.json()) {
        PrintJson({{"deleted", options.index}});
    } else {
        context.PrintLine("deleted " + item + " \"" +
                          context.codec().ToUtf8(FieldText(info.title, sizeof info.title)) + "\"");
    }
    return 0;
}

}  // namespace

Command AddAddMediaCommand(CLI::App& app) {
    auto options = std::make_shared<AddMediaOptions>();
    CLI::App* command = app.add_subcommand("add-media", "Add a media item");
    command->add_option("--title", options->title, "The title")->required();
    command->add_option("--location", options->location, "The item's address, as the server reaches it")
        ->required();
    command->add_option("--key", options->key, "The key name, a second name to find the item by");
    command->add_option("--category", options->category, "The category to file it in (default 0, the Root)")
        ->type_name("ID");
    command->add_option("--type", options->type, "The media type word in hexadecimal (300: a live input)")
        ->type_name("HEX");
    return {command, [options](CommandContext& context) { return RunAddMedia(context, *options); }};
}

Command AddDelMediaCommand(CLI::App& app) {
    auto options = std::make_shared<DelMediaOptions>();
    CLI::App* command = app.add_subcommand("del-media", "Delete a media item and its info files");
    command->add_option("INDEX", options->index, "The item's index")->required();
    return {command, [options](CommandContext& context) { return RunDelMedia(context, *options); }};
}

}  // namespace mvdb::cli
