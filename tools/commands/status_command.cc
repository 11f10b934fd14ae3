// `mvdb status`: where the database is, which host and code page, how many
// records of each kind, and whether this process holds the database.
#include <iostream>

#include "cli/journal_state.h"
#include "cli/record_counts.h"
#include "cli/record_json.h"
#include "cli/text_table.h"
#include "commands/commands.h"

namespace mvdb::cli {

namespace {

using nlohmann::json;

void Count(LiveAndDeleted* counts, bool deleted) { ++(deleted ? counts->deleted : counts->live); }

CatalogueCounts CountFromLibrary(MVDB_HANDLE db, const std::string& clientFile) {
    CatalogueCounts counts;
    const int32_t categories = GetCategoryCount(db);
    for (int32_t id = 0; id < categories; ++id) {
        CategoryInfo info{};
        Count(&counts.categories, GetCategoryInfo(db, id, &info) != MVDB_OK);
    }
    const int32_t media = GetMediaCount(db);
    for (int32_t index = 0; index < media; ++index) {
        MediaInfo info{};
        Count(&counts.media, GetMediaInfo(db, index, &info) != MVDB_OK);
    }
    // The client functions never return user records: the open handle keeps
    // the client file as the library holds it, so both kinds are counted there.
    CountClientFile(clientFile, &counts);
    DBAccount account{};
    if (GetDBAccount(db, &account) == MVDB_OK) {
        counts.accountUserName = FieldText(account.userName, sizeof account.userName);
    }
    return counts;
}

json CountsJson(const LiveAndDeleted& counts) { return {{"live", counts.live}, {"deleted", counts.deleted}}; }

int RunStatus(CommandContext& context) {
    const DatabaseLocations where = context.locations();
    const TextCodec& codec = context.codec();
    // Before the open, which replays and empties it.
    const JournalState journal = InspectJournal(where.mediaFile);
    std::unique_ptr<OpenDatabase> database = context.TryOpenForReading();
    const bool holds = database != nullptr;
    const CatalogueCounts counts =
        holds ? CountFromLibrary(database->get(), where.clientFile)
              : CountFromFiles({where.categoryFile, where.mediaFile, where.clientFile});

    if (context.json()) {
        PrintJson({{"locations",
                    {{"origin", codec.NativeToUtf8(where.origin)},
                     {"categoryFile", codec.NativeToUtf8(where.categoryFile)},
                     {"mediaFile", codec.NativeToUtf8(where.mediaFile)},
                     {"clientFile", codec.NativeToUtf8(where.clientFile)},
                     {"infoFolder", codec.NativeToUtf8(where.infoFolder)}}},
                   {"hostName", codec.ToUtf8(where.hostName)},
                   {"codePage", codec.codePage()},
                   {"accountUserName", codec.ToUtf8(counts.accountUserName)},
                   {"writer", holds},
                   {"journal", journal.present ? json{{"path", codec.NativeToUtf8(journal.path)},
                                                      {"bytes", journal.bytes},
                                                      {"pendingChanges", journal.pendingChanges}}
                                               : json(nullptr)},
                   {"countsFrom", holds ? "library" : "files"},
                   {"counts",
                    {{"categories", CountsJson(counts.categories)},
                     {"media", CountsJson(counts.media)},
                     {"clients", CountsJson(counts.clients)},
                     {"users", CountsJson(counts.users)}}}});
        return 0;
    }

    TextTable places({{"what"}, {"value"}});
    places.AddRow({"from", codec.NativeToUtf8(where.origin)});
    places.AddRow({"categories", codec.NativeToUtf8(where.categoryFile)});
    places.AddRow({"media", codec.NativeToUtf8(where.mediaFile)});
    places.AddRow({"clients", codec.NativeToUtf8(where.clientFile)});
    places.AddRow({"info files",
                   where.infoFolder.empty() ? "(the current folder)" : codec.NativeToUtf8(where.infoFolder)});
    places.AddRow(
        {"host name", where.hostName.empty() ? "(none: no HostMan key)" : codec.ToUtf8(where.hostName)});
    places.AddRow({"code page", std::to_string(codec.codePage())});
    places.AddRow({"account", "\"" + codec.ToUtf8(counts.accountUserName) + "\""});
    places.AddRow({"writer", holds
                                 ? "yes: this process opened the database and writes its files"
                                 : "no: another program has the database open; counts read from the files"});
    places.AddRow({"journal", journal.present
                                  ? std::to_string(journal.bytes) + " bytes, " +
                                        std::to_string(journal.pendingChanges) + " change(s) to replay"
                                  : "none"});
    places.Print(std::cout, codec, false);
    std::cout << '\n';

    using Align = TextTable::Align;
    TextTable table({{"records"}, {"live", Align::kRight}, {"deleted", Align::kRight}});
    auto row = [&](const std::string& name, const LiveAndDeleted& c) {
        table.AddRow({name, std::to_string(c.live), std::to_string(c.deleted)});
    };
    row("categories", counts.categories);
    row("media items", counts.media);
    row("clients", counts.clients);
    row("users", counts.users);
    table.Print(std::cout, codec);
    return 0;
}

}  // namespace

Command AddStatusCommand(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "status", "Show where the database is, its host name and code page, and how many records it holds");
    return {command, RunStatus};
}

}  // namespace mvdb::cli
