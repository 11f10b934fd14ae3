// `mvdb add-user` and `mvdb del-user`. Passwords come from the terminal
// without echo or from standard input, never from the command line, where
// other users of the machine could read them.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <iostream>

#include "cli/catalogue_file.h"
#include "cli/record_json.h"
#include "cli/terminal.h"
#include "commands/commands.h"
#include "commands/result_messages.h"
#include "format/scramble.h"
#include "format/user_record.h"

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

constexpr size_t kLongestUserName = format::kMaxUserNameBytes;
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

// The record index of the live user of that name, compared as the library
// compares ASCII letters (without regard to case).
std::optional<int32_t> LiveUserNamed(MVDB_HANDLE db, const std::string& name) {
    constexpr int32_t kSlot = 0;
    const int32_t users = CheckUser(db, kSlot);
    for (int32_t position = 0; position < users; ++position) {
        DBAccount account{};
        if (GetCheckedUser(db, position, &account, kSlot) != MVDB_OK) continue;
        const std::string stored = FieldText(account.userName, sizeof account.userName);
        if (stored.size() == name.size() &&
            std::equal(stored.begin(), stored.end(), name.begin(),
                       [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); })) {
            return account.recordIndex;
        }
    }
    return std::nullopt;
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

    const std::unique_ptr<OpenDatabase> database = context.OpenForChange();
    const MVDB_HANDLE db = database->get();
    // The library would overwrite a live namesake in place; adding is not
    // meant to change someone's password.
    if (const std::optional<int32_t> existing = LiveUserNamed(db, name)) {
        Refuse("the user \"" + context.codec().NativeToUtf8(options.name) + "\" exists already (record " +
               std::to_string(*existing) + ")");
    }

    DBAccount account{};
    std::memcpy(account.userName, name.data(), name.size());
    const std::string scrambled = format::ScramblePassword(password);
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
    const std::unique_ptr<OpenDatabase> database = context.OpenForChange();
    const MVDB_HANDLE db = database->get();
    const std::string record = "record " + std::to_string(options.index);
    // The client functions answer for clients only; user records are read
    // from the file, which the open handle keeps as the library holds it.
    const std::vector<ClientInfo> stored = ReadClientRecords(context.locations().clientFile);
    if (options.index < 0 || static_cast<size_t>(options.index) >= stored.size()) {
        Refuse(record + " does not exist");
    }
    const ClientInfo& info = stored[static_cast<size_t>(options.index)];
    if (!format::IsUserRecord(info)) {
        Refuse(record + " (\"" + context.codec().ToUtf8(FieldText(info.clientName, sizeof info.clientName)) +
               "\") is a client, not a user");
    }
    const int32_t result = DelUser(db, options.index);
    if (result < 0) Refuse(record + " was not deleted: " + ResultText(result));
    if (context.json()) {
        PrintJson({{"deleted", options.index}});
    } else {
        context.PrintLine("deleted the user \"" + context.codec().ToUtf8(format::UserNameOf(info)) + "\" (" +
                          record + ")");
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
