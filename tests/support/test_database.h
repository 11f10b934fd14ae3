// A database in a fresh folder: the registry points the three files and the
// info folder into it, and named mutexes live in a lock folder of its own, so
// tests never meet each other.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "mvdb.h"
#include "support/temp_folder.h"
#include "support/test_registry.h"

namespace mvdb::test {

// Closes the handle when it goes.
class OpenDatabase {
public:
    OpenDatabase() : handle_(OpenMVDB()) {}
    ~OpenDatabase() { Close(); }
    OpenDatabase(const OpenDatabase&) = delete;
    OpenDatabase& operator=(const OpenDatabase&) = delete;

    bool ok() const { return handle_ != MVDB_INVALID_HANDLE && handle_ != nullptr; }
    MVDB_HANDLE get() const { return handle_; }
    void Close() {
        if (ok()) CloseMVDB(handle_);
        handle_ = MVDB_INVALID_HANDLE;
    }

private:
    MVDB_HANDLE handle_;
};

class DatabaseTest : public ::testing::Test {
protected:
    DatabaseTest();
    ~DatabaseTest() override;

    // The Folder values that put everything into the test folder.
    std::map<std::string, RegistryValue> FolderValues() const;
    // Sets the Folder key to FolderValues() plus `extra`, and a HostMan key
    // with the host name "mediaserver".
    void UseFolder(const std::map<std::string, RegistryValue>& extra = {});

    std::string categoryFile() const { return folder_ / "MVDBCAT.db"; }
    std::string mediaFile() const { return folder_ / "MVDBMF.db"; }
    std::string clientFile() const { return folder_ / "MVDBCLT.db"; }
    std::string infoFolder() const { return folder_ / "Info"; }
    std::string infoPath(const std::string& name) const {
        return (std::filesystem::path(infoFolder()) / name).string();
    }

    TempFolder folder_;
    TestRegistry registry_;
};

}  // namespace mvdb::test
