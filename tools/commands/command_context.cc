#include "commands/command_context.h"

#include <filesystem>
#include <iostream>

#if !defined(_WIN32)
#include "cli/private_registry.h"
#endif

namespace mvdb::cli {

namespace {

// The library keeps paths in buffers of 260 bytes; a longer one would send
// it to its fallback folder instead of the one asked for.
constexpr size_t kLongestPath = 259;

}  // namespace

#if defined(_WIN32)
// Only the POSIX build writes registry files.
class PrivateRegistry {};
#endif

OpenDatabase::OpenDatabase(MVDB_HANDLE handle, std::unique_ptr<PrivateRegistry> registry)
    : handle_(handle), registry_(std::move(registry)) {}

OpenDatabase::~OpenDatabase() { CloseMVDB(handle_); }

CommandContext::CommandContext(const GlobalOptions& options)
    : options_(options), codec_(std::make_unique<TextCodec>(DatabaseCodePage())) {
    if (options_.dataDir.empty()) return;
#if defined(_WIN32)
    std::cerr << "mvdb: --data-dir is not used on Windows, where the tool never writes the registry; the "
                 "registry gives the locations\n";
#else
    dataFolder_ = std::filesystem::absolute(options_.dataDir).lexically_normal().string();
    if (dataFolder_.size() > 1 && dataFolder_.back() == '/') dataFolder_.pop_back();
    const std::string longest = dataFolder_ + "/MVDBCAT.db";
    if (longest.size() > kLongestPath) {
        throw ToolError("the folder path " + dataFolder_ +
                            " is too long for the database (its files' paths must fit " +
                            std::to_string(kLongestPath) + " bytes)",
                        kExitUnusable);
    }
#endif
}

CommandContext::~CommandContext() = default;

const MachineSettings& CommandContext::settings() {
    if (!settings_) {
        settings_ = ReadMachineSettings();
        if (!dataFolder_.empty()) settings_ = DataFolderSettings(dataFolder_, *settings_);
    }
    return *settings_;
}

DatabaseLocations CommandContext::locations() { return ResolveLocations(settings(), ExecutablePath()); }

std::unique_ptr<OpenDatabase> CommandContext::TryOpen() {
    std::unique_ptr<PrivateRegistry> registry;
#if !defined(_WIN32)
    if (!dataFolder_.empty()) {
        std::error_code error;
        std::filesystem::create_directories(dataFolder_, error);
        if (error) throw ToolError("cannot create the folder " + dataFolder_ + ": " + error.message());
        try {
            registry = std::make_unique<PrivateRegistry>(settings());
        } catch (const std::runtime_error& failure) {
            throw ToolError(failure.what());
        }
    }
#endif
    const MVDB_HANDLE handle = OpenMVDB();
    if (handle == MVDB_INVALID_HANDLE || handle == nullptr) return nullptr;
    return std::make_unique<OpenDatabase>(handle, std::move(registry));
}

std::unique_ptr<OpenDatabase> CommandContext::Open() {
    std::unique_ptr<OpenDatabase> database = TryOpen();
    if (!database) {
        throw ToolError(
            "the database is open in another program (only one program at a time may open it); close that "
            "program, or use `mvdb dump` and `mvdb check`, which only read the files");
    }
    return database;
}

std::string CommandContext::DatabaseText(const std::string& argument, const std::string& what) const {
    const std::optional<std::string> text = codec_->FromUtf8(codec_->NativeToUtf8(argument));
    if (!text) {
        throw ToolError("the " + what + " \"" + codec_->NativeToUtf8(argument) +
                            "\" cannot be written in code page " + std::to_string(codec_->codePage()),
                        kExitUnusable);
    }
    return *text;
}

void CommandContext::PrintLine(const std::string& utf8) const {
    std::cout << codec_->Utf8ToDisplay(utf8) << '\n';
}

}  // namespace mvdb::cli
