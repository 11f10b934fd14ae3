// `mvdb dump FILE`: decodes one database file without the library.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>

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

namespace fs = std::filesystem;

// "-", or a pipe such as /dev/stdin: a stream that can be read only once,
// front to back, while the file reader seeks.
bool IsStream(const std::string& name) {
    if (name == "-") return true;
    std::error_code error;
    const fs::file_status status = fs::status(name, error);
    return !error && fs::exists(status) && !fs::is_regular_file(status) && !fs::is_directory(status);
}

// A copy of a stream in the temporary folder, removed when the object goes.
class StreamCopy {
public:
    explicit StreamCopy(const std::string& name) {
        std::string bytes;
        bool read = false;
        if (name == "-") {
            read = ReadAllInput(&bytes);
        } else {
            std::ifstream in(name, std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
            read = !in.bad();
        }
        if (!read) throw ToolError("cannot read " + name, kExitUnusable);
        std::random_device random;
        path_ = (fs::temp_directory_path() / ("mvdb-dump-" + std::to_string(random()))).string();
        std::ofstream out(path_, std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) throw ToolError("cannot keep a copy of " + name + " in " + path_ + " to decode it");
    }
    ~StreamCopy() {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    StreamCopy(const StreamCopy&) = delete;
    StreamCopy& operator=(const StreamCopy&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
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
    std::optional<StreamCopy> copy;
    if (IsStream(options.file)) {
        copy.emplace(options.file);
        dump.shownName = options.file == "-" ? "(standard input)" : options.file;
    }
    try {
        DumpFile(copy ? copy->path() : options.file, dump, context.codec(), std::cout);
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
    command->add_option("FILE", options->file, "The file; - (or /dev/stdin) reads standard input")
        ->required();
    command
        ->add_option(
            "--type", options->type,
            "The catalogue the file holds (category, client or media), when neither its name nor its "
            "records tell")
        ->type_name("KIND");
    return {command, [options](CommandContext& context) { return RunDump(context, *options); }};
}

}  // namespace mvdb::cli
