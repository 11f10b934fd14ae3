// `mvdb add-user` and `mvdb del-user`. Passwords come from the terminal
// without echo or from standard input, never from the command line, where
// other users of the machine could read them.
#include <cstring>
#include <iostream>

#include "cli/password_scramble.h"
#include "cli/record_json.h"
#include "cli/terminal.h"
#include "commands/commands.h"
#include "commands/result_messages.h"

namespace mvdb::cli {

namespace {

struct AddUserOptions {
    std::string name;
    int32_t level = 0;
    bool passwordFromStdin = false;
};

struct DelUserOptions {
    int32_t index = 0;
};

// A user record's name field holds "global\" and the name with its NUL.
constexpr size_t kLongestUserName = sizeof(ClientInfo{}.clientName) - (sizeof kUserPrefix - 1) - 1;
constexpr size_t kLongestPassword = sizeof(DBAccount{}.password) - 1;

std::string ReadPassword(const AddUserOptions& options) {
    if (options.passwordFromStdin) {
        std::optional<std::string> line = ReadInputLine();
        if (!line) throw ToolError("no password on standard input", kExitUnusable);
        return *line;
    }
    if (!IsTerminal(StandardStream::kInput)) {
        throw ToolError(
            "standard input is not a terminal: pass the password on standard input with --password-stdin",
            kExitUnusable);
    }
    const std::optional<std::string> first = ReadHiddenLine("Password for " + options.name + ": ");
    const std::optional<std::string> again = ReadHiddenLine("The same password again: ");
    if (!first || !again) throw ToolError("no password was given", kExitUnusable);
    if (*first != *again) throw ToolError("the two passwords differ; nothing was changed");
    return *first;
}

int RunAddUser(CommandContext& context, const AddUserOptions& options) {
    const std::string name = context.DatabaseText(options.name, "user name");
    if (name.empty() || name.size() > kLongestUserName) {
        throw ToolError("a user name has 1 to " + std::to_string(kLongestUserName) + " bytes", kExitUnusable);
    }
    const std::string password = context.DatabaseText(ReadPassword(options), "password");
    if (password.size() > kLongestPassword) {
        throw ToolError("a password has at most " + std::to_string(kLongestPassword) + " bytes",
                        kExitUnusable);
    }

    const std::unique_ptr<OpenDatabase> database = context.Open();
    const MVDB_HANDLE db = database->get();
    // The library would overwrite a live namesake in place; adding is not
    // meant to change someone's password.
    ClientInfo existing{};
    if (GetClientInfoByName(db, (kUserPrefix + name).c_str(), &existing) == MVDB_OK &&
        !(existing.clientFlags & MVDB_CLIENT_DELETED)) {
        Refuse("the user \"" + context.codec().NativeToUtf8(options.name) + "\" exists already (record " +
               std::to_string(existing.recordIndex) + ")");
    }

    DBAccount account{};
    std::memcpy(account.userName, name.data(), name.size());
    const std::string scrambled = ScramblePassword(password);
    std::memcpy(account.password, scrambled.data(), scrambled.size());
    account.passwordLength = static_cast<int32_t>(password.size());
    account.scrambled = 1;
    account.userLevel = options.level;
    const int32_t index = AddUser(db, &account);
    if (index < 0) Refuse("the user was not added: " + ResultText(index));
    if (context.json()) {
        PrintJson({{"index", index}});
    } else {
        context.PrintLine("added the user \"" + context.codec().NativeToUtf8(options.name) + "\" as record " +
                          std::to_string(index));
    }
    return 0;
}

int RunDelUser(CommandContext& context, const DelUserOptions& options) {
    const std::unique_ptr<OpenDatabase> database = context.Open();
    const MVDB_HANDLE db = database->get();
    ClientInfo info{};
    const std::string record = "record " + std::to_string(options.index);
    if (GetClientInfo(db, options.index, &info) != MVDB_OK) Refuse(record + " does not exist");
    if (!IsUserRecord(info)) {
        Refuse(record + " (\"" + context.codec().ToUtf8(FieldText(info.clientName, sizeof info.clientName)) +
               "\") is a client, not a user");
    }
    const int32_t result = DelUser(db, options.index);
    if (result < 0) Refuse(record + " was not deleted: " + ResultText(result));
    if (context.json()) {
        PrintJson({{"deleted", options.index}});
    } else {
        context.PrintLine("deleted the user \"" + context.codec().ToUtf8(UserName(info)) + "\" (" + record +
                          ")");
    }
    return 0;
}

}  // namespace

Command AddAddUserCommand(CLI::App& app) {
    auto options = std::make_shared<AddUserOptions>();
    CLI::App* command = app.add_subcommand(
        "add-user", "Add a user account; the password is asked for on the terminal, without echo");
    command->add_option("NAME", options->name, "The user name")->required();
    command->add_option("--level", options->level, "The user's level, which a login returns (default 0)");
    command->add_flag("--password-stdin", options->passwordFromStdin,
                      "Read the password from the first line of standard input");
    return {command, [options](CommandContext& context) { return RunAddUser(context, *options); }};
}

Command AddDelUserCommand(CLI::App& app) {
    auto options = std::make_shared<DelUserOptions>();
    CLI::App* command = app.add_subcommand("del-user", "Delete a user account");
    command->add_option("INDEX", options->index, "The user's record index, as `mvdb users` shows it")
        ->required();
    return {command, [options](CommandContext& context) { return RunDelUser(context, *options); }};
}

}  // namespace mvdb::cli
