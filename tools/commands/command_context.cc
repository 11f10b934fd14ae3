#include "commands/command_context.h"

#include <filesystem>
#include <iostream>
#include <utility>

#include "cli/load_check.h"
#include "cli/lock_folder.h"
#include "cli/write_access.h"
#include "format/configuration.h"
#include "format/info_area.h"

#if !defined(_WIN32)
#include <stdlib.h>

#include "cli/private_registry.h"
#endif

namespace mvdb::cli {

namespace {

// The library keeps paths in buffers of 260 bytes; a longer one would send
// it to its fallback folder instead of the one asked for.
constexpr size_t kLongestPath = format::kPathBufferBytes - 1;

}  // namespace

#if defined(_WIN32)
// Only the POSIX build writes registry files.
class PrivateRegistry {};
#endif

OpenDatabase::OpenDatabase(MVDB_HANDLE handle, std::unique_ptr<PrivateRegistry> registry,
                           std::shared_ptr<void> leftovers)
    : leftovers_(std::move(leftovers)), handle_(handle), registry_(std::move(registry)) {}

OpenDatabase::~OpenDatabase() { CloseHandle(); }

void OpenDatabase::CloseHandle() {
    if (handle_ != MVDB_INVALID_HANDLE) CloseMVDB(handle_);
    handle_ = MVDB_INVALID_HANDLE;
}

CommandContext::CommandContext(const GlobalOptions& options)
    : options_(options), codec_(std::make_unique<TextCodec>(DatabaseCodePage())) {
    if (options_.dataDir.empty()) return;
#if defined(_WIN32)
    std::cerr << "mvdb: --data-dir is not used on Windows, where the tool never writes the registry; the "
                 "registry gives the locations\n";
#else
    dataFolder_ = std::filesystem::absolute(options_.dataDir).lexically_normal().string();
    if (dataFolder_.size() > 1 && dataFolder_.back() == '/') dataFolder_.pop_back();
    const std::string longest = dataFolder_ + "/" + format::kCategoryFormat.fileName;
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
        RequireDatabaseOrCreate();
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
    if (handle == MVDB_INVALID_HANDLE || handle == nullptr) {
        // Refused: another program, or a lock folder this user cannot use.
        if (const std::optional<std::string> problem = LockFolderProblem()) throw ToolError(*problem);
        return nullptr;
    }
    return std::make_unique<OpenDatabase>(handle, std::move(registry));
}

void CommandContext::RequireDatabaseOrCreate() {
    if (options_.create) return;
    const DatabaseLocations where = locations();
    for (const std::string& file : {where.categoryFile, where.mediaFile, where.clientFile}) {
        std::error_code error;
        if (std::filesystem::exists(file, error)) return;
    }
    const bool folderExists = std::filesystem::is_directory(dataFolder_);
    throw ToolError((folderExists ? "there is no database in " + dataFolder_
                                  : "the folder " + dataFolder_ + " does not exist") +
                        "; to make a new database there, run `mvdb --data-dir " + options_.dataDir +
                        " init` or add --create",
                    kExitUnusable);
}

std::unique_ptr<OpenDatabase> CommandContext::OpenForChange() {
    const DatabaseLocations where = locations();
    if (const std::optional<std::string> problem =
            WriteAccessProblem({where.categoryFile, where.mediaFile, where.clientFile}, {where.infoFolder})) {
        // Where another program holds the files (on Windows it keeps others
        // from opening them for update), that is the reason to give.
        if (TryOpen() == nullptr) ThrowOpenElsewhere();
        throw ToolError(*problem + "; nothing was changed");
    }
    return Open();
}

#if !defined(_WIN32)
namespace {

// A folder in the temporary folder, removed with everything in it when the
// object goes.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "mvdb-copy-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw ToolError("cannot make a folder for a copy of the files");
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Sets an environment variable until the object goes.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() { saved_ ? ::setenv(name_, saved_->c_str(), 1) : ::unsetenv(name_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> saved_;
};

}  // namespace
#endif

std::unique_ptr<OpenDatabase> CommandContext::OpenForReading(std::optional<int32_t> infoItem) {
    RefuseDamagedFiles();
    if (std::unique_ptr<OpenDatabase> database = TryOpen()) return database;
#if defined(_WIN32)
    (void)infoItem;
    return Open();  // says why it cannot go on
#else
    // The files are copied as they are now, as `status` reads them, and the
    // copy is opened through the library with a lock folder of its own, so
    // the listing decodes them exactly as the holder does.
    namespace fs = std::filesystem;
    const DatabaseLocations where = locations();
    auto scratch = std::make_shared<ScratchFolder>();
    const fs::path copy = scratch->path();
    std::error_code error;
    fs::copy_file(where.categoryFile, copy / format::kCategoryFormat.fileName, error);
    if (!error) fs::copy_file(where.mediaFile, copy / format::kMediaFormat.fileName, error);
    if (!error) fs::copy_file(where.clientFile, copy / format::kClientFormat.fileName, error);
    if (error) {
        throw ToolError(
            "the database is open in another program, and its files cannot be copied to read them: " +
            error.message());
    }
    fs::create_directories(copy / format::kInfoFolderName);
    fs::create_directories(copy / "locks");
    if (infoItem) {
        const fs::path infoFolder = where.infoFolder.empty() ? fs::path(".") : fs::path(where.infoFolder);
        for (int32_t number = 0; number < format::kInfoPieces; ++number) {
            const std::string name = format::InfoFileName(*infoItem, number);
            if (fs::exists(infoFolder / name, error))
                fs::copy_file(infoFolder / name, copy / format::kInfoFolderName / name, error);
        }
    }
    std::unique_ptr<PrivateRegistry> registry;
    try {
        registry = std::make_unique<PrivateRegistry>(DataFolderSettings(copy.string(), settings()));
    } catch (const std::runtime_error& failure) {
        throw ToolError(failure.what());
    }
    const ScopedVariable locks(format::kLockFolderVariable, (copy / "locks").string());
    const MVDB_HANDLE handle = OpenMVDB();
    if (handle == MVDB_INVALID_HANDLE || handle == nullptr) {
        throw ToolError("the database is open in another program, and a copy of its files cannot be opened");
    }
    std::cerr << "mvdb: another program has the database open; this was read from a copy of its files taken "
                 "just now\n";
    return std::make_unique<OpenDatabase>(handle, std::move(registry), std::move(scratch));
#endif
}

std::unique_ptr<OpenDatabase> CommandContext::Open() {
    std::unique_ptr<OpenDatabase> database = TryOpen();
    if (!database) ThrowOpenElsewhere();
    return database;
}

void CommandContext::ThrowOpenElsewhere() {
    throw ToolError(
        "the database is open in another program (only one program at a time may open it); close that "
        "program, or use `mvdb dump` and `mvdb check`, which only read the files");
}

std::unique_ptr<OpenDatabase> CommandContext::TryOpenForReading() {
    RefuseDamagedFiles();
    return TryOpen();
}

void CommandContext::RefuseDamagedFiles() {
    const DatabaseLocations where = locations();
    const std::pair<const std::string*, Catalogue> files[] = {{&where.categoryFile, Catalogue::kCategory},
                                                              {&where.mediaFile, Catalogue::kMedia},
                                                              {&where.clientFile, Catalogue::kClient}};
    for (const auto& [path, kind] : files) {
        if (const std::optional<std::string> why = WhyFileWouldBeReplaced(*path, kind)) {
            throw ToolError("the " + std::string(TraitsOf(kind).name) + " file " +
                                codec_->NativeToUtf8(*path) + " cannot be loaded: " + *why +
                                ". Opening the database would put a fresh file in its place, so this command "
                                "does not open it; run `mvdb check` to see what is wrong",
                            kExitUnusable);
        }
    }
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
