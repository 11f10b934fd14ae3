// `mvdb dump FILE`: decodes one database file without the library.
#include <iostream>

#include "cli/dump_writer.h"
#include "cli/progress_bar.h"
#include "cli/terminal.h"
#include "commands/commands.h"

namespace mvdb::cli {

namespace {

struct DumpCommandOptions {
    std::string file;
    std::string type;
};

int RunDump(CommandContext& context, const DumpCommandOptions& options) {
    DumpOptions dump;
    dump.json = context.json();
    if (!options.type.empty()) {
        dump.forcedKind = CatalogueNamed(options.type);
        if (!dump.forcedKind) throw ToolError("--type takes category, client or media", kExitUnusable);
    }
    // JSON streams out record by record; on a terminal that stream is the
    // progress, and a bar would only break its lines.
    if (!dump.json || !IsTerminal(StandardStream::kOutput)) dump.progress = ProgressStream();
    dump.progressMinBytes = kProgressMinBytes;
    try {
        DumpFile(options.file, dump, context.codec(), std::cout);
    } catch (const FileError& error) {
        throw ToolError(context.codec().NativeToUtf8(error.what()), kExitUnusable);
    }
    return 0;
}

}  // namespace

Command AddDumpCommand(CLI::App& app) {
    auto options = std::make_shared<DumpCommandOptions>();
    CLI::App* command = app.add_subcommand("dump",
                                           "Decode a database file (categories, clients or media) record by "
                                           "record, without opening the database");
    command->add_option("FILE", options->file, "The file")->required();
    command
        ->add_option(
            "--type", options->type,
            "The catalogue the file holds (category, client or media), when neither its name nor its "
            "records tell")
        ->type_name("KIND");
    return {command, [options](CommandContext& context) { return RunDump(context, *options); }};
}

}  // namespace mvdb::cli
