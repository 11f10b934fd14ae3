// The tests link the library's core statically, but its string resources
// live in mvdb.dll, which the core finds by module name as a host program's
// copy would be found. Loading the built DLL for the whole run gives the
// tests the same resources a host sees.
#include <gtest/gtest.h>
#include <windows.h>

#ifndef MVDB_TEST_DLL_PATH
#error "MVDB_TEST_DLL_PATH must name the built mvdb.dll"
#endif

namespace mvdb {
namespace {

class LoadedLibrary : public ::testing::Environment {
public:
    void SetUp() override {
        library_ = LoadLibraryA(MVDB_TEST_DLL_PATH);
        ASSERT_NE(library_, nullptr) << "cannot load " << MVDB_TEST_DLL_PATH;
    }
    void TearDown() override {
        if (library_ != nullptr) FreeLibrary(library_);
    }

private:
    HMODULE library_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kLoadedLibrary =
    ::testing::AddGlobalTestEnvironment(new LoadedLibrary);

}  // namespace
}  // namespace mvdb
