#include "support/test_database.h"

#include <cstdlib>

namespace mvdb::test {

namespace {

void SetLockFolder(const std::string& folder) {
#if defined(_WIN32)
    (void)folder;
#else
    ::setenv("MVDB_LOCK_DIR", folder.c_str(), 1);
#endif
}

void ClearLockFolder() {
#if !defined(_WIN32)
    ::unsetenv("MVDB_LOCK_DIR");
#endif
}

}  // namespace

DatabaseTest::DatabaseTest() : registry_(folder_.path().string()) {
    SetLockFolder(folder_ / "locks");
    UseFolder();
}

DatabaseTest::~DatabaseTest() { ClearLockFolder(); }

std::map<std::string, RegistryValue> DatabaseTest::FolderValues() const {
    return {{"DBCATEGORY", categoryFile()},
            {"DBMEDIA", mediaFile()},
            {"DBHOST", clientFile()},
            {"DBINFODIR", infoFolder()}};
}

void DatabaseTest::UseFolder(const std::map<std::string, RegistryValue>& extra) {
    std::map<std::string, RegistryValue> values = FolderValues();
    for (const auto& [name, value] : extra) values[name] = value;
    registry_.Set({values, std::map<std::string, RegistryValue>{{"HostName", std::string("mediaserver")}}});
}

}  // namespace mvdb::test
