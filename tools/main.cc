// mvdb: look into the catalogue database from the shell, check its files,
// and make the odd change by hand.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <vector>

#include "commands/commands.h"

int main(int argc, char** argv) {
    using namespace mvdb::cli;
    CLI::App app{"Inspect, check and administer the mvdb catalogue database.", "mvdb"};
    app.require_subcommand(1);
    // Global options may also follow the command: mvdb status --json.
    app.fallthrough();
    GlobalOptions options;
    app.add_option("--data-dir", options.dataDir,
                   "Use the database in DIR (created when missing) instead of the configured one; POSIX only")
        ->type_name("DIR");
    app.add_flag("--json", options.json, "Print the result as JSON");

    const std::vector<Command> commands = {
        AddStatusCommand(app),      AddCategoriesCommand(app),  AddMediaCommand(app),
        AddClientsCommand(app),     AddUsersCommand(app),       AddInfoCommand(app),
        AddAddCategoryCommand(app), AddDelCategoryCommand(app), AddAddMediaCommand(app),
        AddDelMediaCommand(app),    AddAddUserCommand(app),     AddDelUserCommand(app),
        AddInitCommand(app),        AddDumpCommand(app),        AddCheckCommand(app),
    };

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? 0 : kExitUnusable;
    }

    try {
        CommandContext context(options);
        for (const Command& command : commands) {
            if (command.app->parsed()) return command.run(context);
        }
    } catch (const ToolError& error) {
        std::cout.flush();
        const TextCodec codec(DatabaseCodePage());
        std::cerr << "mvdb: " << codec.Utf8ToDisplay(error.what()) << '\n';
        return error.exitCode();
    } catch (const std::exception& error) {
        // Not one of the tool's own refusals: a file system or memory failure.
        std::cout.flush();
        std::cerr << "mvdb: " << error.what() << '\n';
        return kExitFailure;
    }
    return kExitUnusable;
}
