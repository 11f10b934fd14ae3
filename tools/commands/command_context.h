// What every command shares: the global options, the code page, where the
// database lives, and opening it through the library.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "cli/locations.h"
#include "cli/machine_settings.h"
#include "cli/text_codec.h"
#include "mvdb.h"

namespace mvdb::cli {

// Exit statuses: 1 when the library refused or `check` found damage, 2 for
// a wrong command line or a file that cannot be read.
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUnusable = 2;

// A command that cannot do what was asked; main prints the message.
class ToolError : public std::runtime_error {
public:
    explicit ToolError(const std::string& message, int exitCode = kExitFailure)
        : std::runtime_error(message), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    int exitCode_;
};

struct GlobalOptions {
    std::string dataDir;
    bool create = false;  // --create: a missing database in --data-dir may be made
    bool json = false;
};

class PrivateRegistry;

// An open handle, closed when the object goes. While it is open no other
// program can open the database.
class OpenDatabase {
public:
    // `leftovers` go after the handle is closed (a copy's folder, say).
    OpenDatabase(MVDB_HANDLE handle, std::unique_ptr<PrivateRegistry> registry,
                 std::shared_ptr<void> leftovers = nullptr);
    ~OpenDatabase();
    OpenDatabase(const OpenDatabase&) = delete;
    OpenDatabase& operator=(const OpenDatabase&) = delete;

    MVDB_HANDLE get() const { return handle_; }
    // Closes the handle early but keeps the settings that point at the
    // database (--data-dir), for a command that opens it another way.
    void CloseHandle();

private:
    std::shared_ptr<void> leftovers_;  // declared first: destroyed last
    MVDB_HANDLE handle_;
    std::unique_ptr<PrivateRegistry> registry_;
};

class CommandContext {
public:
    explicit CommandContext(const GlobalOptions& options);
    ~CommandContext();

    bool json() const { return options_.json; }
    const TextCodec& codec() const { return *codec_; }
    // The registry as the library will see it, --data-dir applied.
    const MachineSettings& settings();
    DatabaseLocations locations();

    // Opens the database; throws ToolError when another program has it
    // open, when the lock folder cannot be used, and when --data-dir names a
    // folder without a database (unless --create or AllowCreating()).
    std::unique_ptr<OpenDatabase> Open();
    // As Open, for a command that changes the database: first makes sure
    // the files and their folders can be written, since the library would
    // otherwise keep the change in memory only.
    std::unique_ptr<OpenDatabase> OpenForChange();
    // As Open, for a command that only reads: while another program has the
    // database open (POSIX), opens a copy of its files taken now instead,
    // saying so on standard error. `infoItem`: the media item whose info
    // files the copy also needs.
    std::unique_ptr<OpenDatabase> OpenForReading(std::optional<int32_t> infoItem = std::nullopt);
    // Tries to open; nullptr when another program has the database open.
    std::unique_ptr<OpenDatabase> TryOpen();
    // Throws the ToolError that says another program has the database open.
    [[noreturn]] static void ThrowOpenElsewhere();
    // For `init`: a --data-dir folder without a database gets a new one.
    void AllowCreating() { options_.create = true; }
    // TryOpen for commands that only read: it first makes sure that the
    // library would load every file as it is, and throws ToolError (pointing
    // to `mvdb check`) when opening would replace a damaged file.
    // OpenForReading makes the same check.
    std::unique_ptr<OpenDatabase> TryOpenForReading();

    // A command-line text in the database's code page; throws ToolError
    // naming `what` when the code page cannot hold it.
    std::string DatabaseText(const std::string& argument, const std::string& what) const;
    // Prints one line of UTF-8 text on standard output.
    void PrintLine(const std::string& utf8) const;

private:
    // Throws ToolError when --data-dir names a folder without any of the
    // three files and creating was not asked for.
    void RequireDatabaseOrCreate();
    void RefuseDamagedFiles();

    GlobalOptions options_;
    std::unique_ptr<TextCodec> codec_;
    std::optional<MachineSettings> settings_;
    std::string dataFolder_;  // absolute; empty without --data-dir
};

}  // namespace mvdb::cli
