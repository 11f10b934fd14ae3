// `mvdb clients` and `mvdb users`: the two kinds of record of the client
// catalogue. Users are the records named "global\<user>".
#include <iostream>

#include "cli/catalogue_file.h"
#include "cli/local_time.h"
#include "cli/record_json.h"
#include "cli/text_table.h"
#include "commands/commands.h"
#include "format/user_record.h"

namespace mvdb::cli {

namespace {

using nlohmann::json;

struct ClientRecord {
    int32_t index;
    ClientInfo info;
};

// Every record of one kind, deleted ones included: the library keeps them,
// and a deleted name comes back to life when it is added again. The client
// functions never return user records, so they are read from the client
// file, which the open handle keeps as the library holds it.
std::vector<ClientRecord> Records(CommandContext& context, bool users) {
    std::vector<ClientRecord> records;
    const std::vector<ClientInfo> stored = ReadClientRecords(context.locations().clientFile);
    for (size_t index = 0; index < stored.size(); ++index) {
        if (format::IsUserRecord(stored[index]) == users)
            records.push_back({static_cast<int32_t>(index), stored[index]});
    }
    return records;
}

std::string State(const ClientInfo& info) {
    return (info.clientFlags & MVDB_CLIENT_DELETED) ? "deleted" : "live";
}

int RunList(CommandContext& context, bool users) {
    const std::unique_ptr<OpenDatabase> database = context.OpenForReading();
    const std::vector<ClientRecord> records = Records(context, users);
    const TextCodec& codec = context.codec();
    if (context.json()) {
        json list = json::array();
        for (const auto& [index, info] : records) {
            json record = ClientJson(info, codec);
            record["index"] = index;
            list.push_back(record);
        }
        PrintJson({{users ? "users" : "clients", list}});
        return 0;
    }
    using Align = TextTable::Align;
    if (users) {
        TextTable table({{"index", Align::kRight}, {"name"}, {"level", Align::kRight}, {"state"}, {"added"}});
        for (const auto& [index, info] : records) {
            table.AddRow({std::to_string(index), codec.ToUtf8(format::UserNameOf(info)),
                          std::to_string(format::UserLevelOf(info)), State(info),
                          FormatLocalTime(info.loginTime)});
        }
        table.Print(std::cout, codec);
        return 0;
    }
    TextTable table({{"index", Align::kRight}, {"name"}, {"state"}, {"last login"}});
    for (const auto& [index, info] : records) {
        table.AddRow({std::to_string(index), codec.ToUtf8(FieldText(info.clientName, sizeof info.clientName)),
                      State(info), FormatLocalTime(info.loginTime)});
    }
    table.Print(std::cout, codec);
    return 0;
}

}  // namespace

Command AddClientsCommand(CLI::App& app) {
    CLI::App* command = app.add_subcommand("clients", "List the registered client hosts");
    return {command, [](CommandContext& context) { return RunList(context, false); }};
}

Command AddUsersCommand(CLI::App& app) {
    CLI::App* command = app.add_subcommand("users", "List the user accounts (never their passwords)");
    return {command, [](CommandContext& context) { return RunList(context, true); }};
}

}  // namespace mvdb::cli
