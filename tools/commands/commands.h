// The commands of the tool. Each Add function adds its subcommand and its
// options to the application and returns what runs it once the command
// line is parsed.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <vector>

#include "commands/command_context.h"

namespace mvdb::cli {

struct Command {
    CLI::App* app;
    // Returns the exit status; a failure with a message throws ToolError.
    std::function<int(CommandContext&)> run;
};

Command AddStatusCommand(CLI::App& app);
Command AddCategoriesCommand(CLI::App& app);
Command AddMediaCommand(CLI::App& app);
Command AddClientsCommand(CLI::App& app);
Command AddUsersCommand(CLI::App& app);
Command AddInfoCommand(CLI::App& app);
Command AddAddCategoryCommand(CLI::App& app);
Command AddDelCategoryCommand(CLI::App& app);
Command AddAddMediaCommand(CLI::App& app);
Command AddDelMediaCommand(CLI::App& app);
Command AddAddUserCommand(CLI::App& app);
Command AddDelUserCommand(CLI::App& app);
Command AddInitCommand(CLI::App& app);
Command AddDumpCommand(CLI::App& app);
Command AddCheckCommand(CLI::App& app);
Command AddExportCommand(CLI::App& app);
Command AddImportCommand(CLI::App& app);

// Reads a hexadecimal word given as "40" or "0x40"; for --flags and --type.
uint32_t ParseHexWord(const std::string& text, const std::string& option);

}  // namespace mvdb::cli
