// mvdb: look into the catalogue database from the shell, check its files,
// and make the odd change by hand.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/record_json.h"
#include "cli/terminal.h"
#include "commands/commands.h"

namespace {

using namespace mvdb::cli;

// The first word of the command line that is neither an option nor the
// value of one: the command the user asked for. Empty when there is none.
std::string RequestedCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--data-dir") {
            ++i;
            continue;
        }
        if (word == "--") return i + 1 < argc ? argv[i + 1] : "";
        if (!word.empty() && word[0] != '-') return word;
    }
    return "";
}

bool WantsJson(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--json") return true;
    }
    return false;
}

// Each command's --help lists the global options as well: they may come
// before or after the command.
void DescribeGlobalOptions(CLI::App& app) {
    std::string text = "Global options (before or after the command):\n";
    for (const CLI::Option* option : app.get_options()) {
        const std::string name = option->get_name();
        if (name == "--help" || name == "-h,--help") continue;
        std::string usage = option->get_name(false, true);
        if (option->get_type_size() != 0 && !option->get_type_name().empty())
            usage += " " + option->get_type_name();
        if (usage.size() < 26) usage.resize(26, ' ');
        text += "  " + usage + "  " + option->get_description() + "\n";
    }
    for (CLI::App* command : app.get_subcommands({})) command->footer(text);
}

// Reports a failure: JSON on standard output with --json, else a line on
// standard error; either way the exit status is `status`.
int Fail(bool json, const std::string& message, int status) {
    std::cout.flush();
    if (json) {
        PrintJson({{"error", message}, {"code", status}});
        std::cout.flush();
    } else {
        std::cerr << "mvdb: " << message << '\n';
    }
    return status;
}

// Everything printed must have reached standard output: a full disk or a
// reader that went away is a failure, not a success.
int FinishOutput(int status) {
    std::cout.flush();
    const bool written = std::cout.good() && std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (written) return status;
    std::cerr << "mvdb: cannot write the output (disk full, or the reader closed the pipe)\n";
    return status == 0 ? kExitFailure : status;
}

int Run(int argc, char** argv) {
    CLI::App app{"Inspect, check and administer the mvdb catalogue database.", "mvdb"};
    app.set_version_flag("--version", "mvdb " MVDB_VERSION_STRING, "Print the version and exit");
    app.require_subcommand(1);
    // "/path/file.db" is a file name on every system, never an option.
    app.allow_windows_style_options(false);
    // Global options may also follow the command: mvdb status --json.
    app.fallthrough();
    GlobalOptions options;
    app.add_option("--data-dir", options.dataDir,
                   "Use the database in DIR instead of the configured one (POSIX only); only `init` or "
                   "--create makes a new one there")
        ->type_name("DIR");
    app.add_flag("--create", options.create, "With --data-dir: create the database when DIR holds none");
    app.add_flag(
        "--json", options.json,
        "Print the result, or the error, as JSON on standard output (see the README for the shapes)");

    const std::vector<Command> commands = {
        AddStatusCommand(app),      AddCategoriesCommand(app),  AddMediaCommand(app),
        AddClientsCommand(app),     AddUsersCommand(app),       AddInfoCommand(app),
        AddAddCategoryCommand(app), AddDelCategoryCommand(app), AddAddMediaCommand(app),
        AddDelMediaCommand(app),    AddAddUserCommand(app),     AddDelUserCommand(app),
        AddInitCommand(app),        AddDumpCommand(app),        AddCheckCommand(app),
        AddExportCommand(app),      AddImportCommand(app),
    };
    DescribeGlobalOptions(app);

    const bool json = WantsJson(argc, argv);
    const std::string requested = RequestedCommand(argc, argv);
    const bool known = std::any_of(commands.begin(), commands.end(), [&](const Command& command) {
        return command.app->get_name() == requested;
    });
    if (!requested.empty() && !known) {
        return Fail(json, "unknown command \"" + requested + "\" (mvdb --help lists the commands)",
                    kExitUnusable);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& request) {
        return app.exit(request);
    } catch (const CLI::CallForAllHelp& request) {
        return app.exit(request);
    } catch (const CLI::CallForVersion& request) {
        return app.exit(request);
    } catch (const CLI::ParseError& error) {
        if (!json) {
            app.exit(error);
            return kExitUnusable;
        }
        return Fail(json, error.what(), kExitUnusable);
    }

    try {
        CommandContext context(options);
        for (const Command& command : commands) {
            if (command.app->parsed()) return command.run(context);
        }
    } catch (const ToolError& error) {
        std::cout.flush();
        const TextCodec codec(DatabaseCodePage());
        // JSON is UTF-8; the terminal gets its own encoding.
        return Fail(json, json ? error.what() : codec.Utf8ToDisplay(error.what()), error.exitCode());
    } catch (const std::exception& error) {
        // Not one of the tool's own refusals: a file system or memory failure.
        return Fail(json, error.what(), kExitFailure);
    }
    return kExitUnusable;
}

}  // namespace

int main(int argc, char** argv) {
    // A reader that closes the pipe early makes writes fail, reported below,
    // instead of ending the program silently.
    IgnoreBrokenPipe();
    return FinishOutput(Run(argc, argv));
}
