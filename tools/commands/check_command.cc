// `mvdb check [FILE...]`: looks for damage in the database files without
// opening the database, so it also works while the server runs.
#include <iostream>

#include "cli/file_checker.h"
#include "cli/journal_state.h"
#include "cli/progress_bar.h"
#include "cli/record_json.h"
#include "commands/commands.h"

namespace mvdb::cli {

namespace {

using nlohmann::json;

struct CheckCommandOptions {
    std::vector<std::string> files;
    std::string type;
    std::string infoDir;
};

int ExitStatus(const CheckReport& report) {
    if (report.AnyUnreadable()) return kExitUnusable;
    return report.findings.empty() ? 0 : kExitFailure;
}

void PrintReport(CommandContext& context, const CheckReport& report) {
    const TextCodec& codec = context.codec();
    if (context.json()) {
        json files = json::array();
        for (const CheckedFile& file : report.files) {
            files.push_back(
                {{"path", codec.NativeToUtf8(file.path)},
                 {"catalogue", file.kind ? json(TraitsOf(*file.kind).name) : json(nullptr)},
                 {"records", file.records},
                 {"error", file.error.empty() ? json(nullptr) : json(codec.NativeToUtf8(file.error))}});
        }
        json findings = json::array();
        for (const Finding& finding : report.findings) {
            findings.push_back({{"file", codec.NativeToUtf8(finding.file)},
                                {"record", finding.record ? json(*finding.record) : json(nullptr)},
                                {"message", finding.message}});
        }
        PrintJson({{"files", files}, {"findings", findings}, {"sound", ExitStatus(report) == 0}});
        return;
    }
    for (const CheckedFile& file : report.files) {
        if (!file.error.empty()) context.PrintLine(codec.NativeToUtf8(file.error));
    }
    for (const Finding& finding : report.findings) {
        context.PrintLine(codec.NativeToUtf8(finding.file) + ": " +
                          (finding.record ? "record " + std::to_string(*finding.record) + ": " : "") +
                          finding.message);
    }
    size_t unreadable = 0;
    uint64_t records = 0;
    for (const CheckedFile& file : report.files) {
        unreadable += !file.error.empty();
        records += file.records;
    }
    auto counted = [](uint64_t n, const std::string& noun) {
        return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
    };
    std::string summary =
        "checked " + counted(report.files.size(), "file") + ", " + counted(records, "record") + ": ";
    if (report.findings.empty() && unreadable == 0) {
        summary += "sound";
    } else {
        summary += counted(report.findings.size(), "finding");
        if (unreadable > 0) summary += ", " + std::to_string(unreadable) + " not readable";
    }
    context.PrintLine(summary);
}

int RunCheck(CommandContext& context, const CheckCommandOptions& options) {
    CheckOptions check;
    if (!options.type.empty()) {
        check.forcedKind = CatalogueNamed(options.type);
        if (!check.forcedKind) throw ToolError("--type takes category, client or media", kExitUnusable);
    }
    if (options.files.empty()) {
        const DatabaseLocations where = context.locations();
        check.files = {where.categoryFile, where.mediaFile, where.clientFile};
        check.infoFolder = where.infoFolder;
    } else {
        check.files = options.files;
    }
    if (!options.infoDir.empty()) check.infoFolder = options.infoDir;
    check.progress = ProgressStream();
    check.progressMinBytes = kProgressMinBytes;

    CheckReport report = CheckFiles(check, context.codec());
    if (options.files.empty()) {
        // Changes a crash left in the journal are part of the database but
        // not yet of its files: the checks above saw the files without them.
        const JournalState journal = InspectJournal(context.locations().mediaFile);
        if (journal.pendingChanges > 0) {
            report.findings.push_back(
                {journal.path, std::nullopt,
                 std::to_string(journal.pendingChanges) +
                     " change(s) in the journal since its last checkpoint: unless the "
                     "database is open, the files may miss them; opening it replays them"});
        }
    }
    PrintReport(context, report);
    return ExitStatus(report);
}

}  // namespace

Command AddCheckCommand(CLI::App& app) {
    auto options = std::make_shared<CheckCommandOptions>();
    CLI::App* command = app.add_subcommand("check",
                                           "Check database files for damage without opening the database "
                                           "(default: the configured files). Exits 0 "
                                           "when sound, 1 with findings, 2 when a file cannot be read");
    command->add_option("FILE", options->files,
                        "Files to check; the categories are checked first, and media "
                        "items against the category file among them");
    command
        ->add_option("--type", options->type, "Take every file for this catalogue: category, client or media")
        ->type_name("KIND");
    command
        ->add_option(
            "--info-dir", options->infoDir,
            "The folder of the info files (default: the configured one, or Info beside the media file)")
        ->type_name("DIR");
    return {command, [options](CommandContext& context) { return RunCheck(context, *options); }};
}

}  // namespace mvdb::cli
