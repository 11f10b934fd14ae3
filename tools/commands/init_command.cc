// `mvdb init`: resets the whole database to what a new one holds.
#include <iostream>

#include "cli/record_json.h"
#include "cli/terminal.h"
#include "commands/commands.h"

namespace mvdb::cli {

namespace {

struct InitOptions {
    bool yes = false;
};

void Confirm(CommandContext& context) {
    if (!IsTerminal(StandardStream::kInput)) {
        throw ToolError("init deletes everything in the database; confirm with --yes", kExitUnusable);
    }
    const DatabaseLocations where = context.locations();
    std::cerr << context.codec().Utf8ToDisplay(
                     "This deletes every category, media item, client, user and info file of "
                     "the database in " +
                     context.codec().NativeToUtf8(where.categoryFile) + " and beside it.\n")
              << "Type yes to go on: " << std::flush;
    const std::optional<std::string> answer = ReadInputLine();
    if (!answer || *answer != "yes") throw ToolError("nothing was changed");
}

int RunInit(CommandContext& context, const InitOptions& options) {
    context.AllowCreating();
    const std::unique_ptr<OpenDatabase> database = context.OpenForChange();
    if (!options.yes) Confirm(context);
    const MVDB_HANDLE db = database->get();
    if (const int32_t result = InitializeDB(db); result != MVDB_OK) {
        throw ToolError("the database could not be reset (result " + std::to_string(result) + ")");
    }
    const int32_t categories = GetCategoryCount(db);
    const int32_t media = GetMediaCount(db);
    if (context.json()) {
        PrintJson({{"categories", categories}, {"media", media}});
    } else {
        context.PrintLine("the database is reset: " + std::to_string(categories) + " categories, " +
                          std::to_string(media) + " media items (the live inputs), no clients and no users");
    }
    return 0;
}

}  // namespace

Command AddInitCommand(CLI::App& app) {
    auto options = std::make_shared<InitOptions>();
    CLI::App* command = app.add_subcommand(
        "init", "Reset the database to the default categories and live inputs, deleting the rest");
    command->add_flag("--yes", options->yes, "Do not ask for confirmation");
    return {command, [options](CommandContext& context) { return RunInit(context, *options); }};
}

}  // namespace mvdb::cli
