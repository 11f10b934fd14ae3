#include "cli/write_access.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

namespace mvdb::cli {

namespace {

namespace fs = std::filesystem;

std::string Reason() { return errno != 0 ? std::string(": ") + std::strerror(errno) : std::string(); }

// A folder can be written when a new file can be made in it (permission
// bits say nothing about a read-only file system, nor for root).
std::optional<std::string> FolderProblem(const fs::path& folder) {
    std::random_device random;
    const fs::path probe = folder / (".mvdb-write-probe-" + std::to_string(random()));
    errno = 0;
    {
        std::ofstream out(probe, std::ios::binary);
        if (!out) return "the data folder " + folder.string() + " cannot be written" + Reason();
    }
    std::error_code ignored;
    fs::remove(probe, ignored);
    return std::nullopt;
}

// An existing file can be written when it opens for update; nothing is written.
std::optional<std::string> FileProblem(const fs::path& file) {
    errno = 0;
    std::fstream update(file, std::ios::in | std::ios::out | std::ios::binary);
    if (!update) return "the database file " + file.string() + " cannot be written" + Reason();
    return std::nullopt;
}

// A folder still to be made is made in its nearest existing ancestor.
fs::path NearestExisting(fs::path folder) {
    std::error_code error;
    while (!fs::exists(folder, error) && folder.has_relative_path()) folder = folder.parent_path();
    return folder;
}

}  // namespace

std::optional<std::string> WriteAccessProblem(const std::vector<std::string>& files,
                                              const std::vector<std::string>& folders) {
    std::set<fs::path> toProbe;
    for (const std::string& name : files) {
        const fs::path file = fs::absolute(name);
        std::error_code error;
        if (fs::exists(file, error)) {
            if (auto problem = FileProblem(file)) return problem;
        }
        toProbe.insert(NearestExisting(file.parent_path()));
    }
    for (const std::string& name : folders) {
        std::error_code error;
        const fs::path folder = fs::absolute(name.empty() ? "." : name);
        if (fs::is_directory(folder, error)) toProbe.insert(folder);
    }
    for (const fs::path& folder : toProbe) {
        if (auto problem = FolderProblem(folder)) return problem;
    }
    return std::nullopt;
}

}  // namespace mvdb::cli
