// Substituting the library's file layer in tests: a layer that forwards to
// the system's, for tests to override the calls they watch or break, and a
// scope that puts a layer in place and restores the system's when it ends.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace mvdb::test {

class ForwardingFiles : public platform::FileSystem {
public:
    std::unique_ptr<platform::File> OpenAlways(const std::string& path) override {
        return platform::SystemFiles().OpenAlways(path);
    }
    std::unique_ptr<platform::File> OpenBuffered(const std::string& path) override {
        return platform::SystemFiles().OpenBuffered(path);
    }
    std::unique_ptr<platform::File> OpenExclusive(const std::string& path) override {
        return platform::SystemFiles().OpenExclusive(path);
    }
    std::unique_ptr<platform::File> CreateNewFile(const std::string& path) override {
        return platform::SystemFiles().CreateNewFile(path);
    }
    std::unique_ptr<platform::File> OpenExistingForRead(const std::string& path) override {
        return platform::SystemFiles().OpenExistingForRead(path);
    }
    bool RemoveFile(const std::string& path) override { return platform::SystemFiles().RemoveFile(path); }
    bool RenameFile(const std::string& from, const std::string& to) override {
        return platform::SystemFiles().RenameFile(from, to);
    }
    bool SyncFolder(const std::string& folder) override { return platform::SystemFiles().SyncFolder(folder); }
    bool PathExists(const std::string& path) override { return platform::SystemFiles().PathExists(path); }
    bool IsDirectory(const std::string& path) override { return platform::SystemFiles().IsDirectory(path); }
    bool MakeDirectory(const std::string& path) override {
        return platform::SystemFiles().MakeDirectory(path);
    }
    std::vector<std::string> ListFiles(const std::string& folder) override {
        return platform::SystemFiles().ListFiles(folder);
    }
};

// Puts `files` in place for the scope's life.
class ScopedFiles {
public:
    explicit ScopedFiles(platform::FileSystem& files) { platform::SetFilesForTesting(&files); }
    ~ScopedFiles() { platform::SetFilesForTesting(nullptr); }
    ScopedFiles(const ScopedFiles&) = delete;
    ScopedFiles& operator=(const ScopedFiles&) = delete;
};

}  // namespace mvdb::test
