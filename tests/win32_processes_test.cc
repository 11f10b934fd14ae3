// Two Windows processes and the duplication mutex: while this process holds
// a handle, a second process cannot open the database; once it is closed,
// the second can. The second process is this test program again, running
// only the child test below.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "support/test_database.h"

namespace mvdb {
namespace {

constexpr char kChildVariable[] = "MVDB_CHILD_EXPECTS";

// Runs this program's child test in a new process; its exit code.
DWORD RunChild(const char* expectation) {
    char program[MAX_PATH];
    if (GetModuleFileNameA(nullptr, program, sizeof program) == 0) return 1000;
    std::string command = std::string("\"") + program + "\" --gtest_filter=Win32ChildProcess.TriesToOpen";
    SetEnvironmentVariableA(kChildVariable, expectation);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableA(kChildVariable, nullptr);
    if (!started) return 1001;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1002;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

// Only does something in the child process.
TEST(Win32ChildProcess, TriesToOpen) {
    const char* expectation = std::getenv(kChildVariable);
    if (expectation == nullptr) GTEST_SKIP() << "runs as a child process only";
    MVDB_HANDLE handle = OpenMVDB();
    const bool opened = handle != MVDB_INVALID_HANDLE;
    if (opened) CloseMVDB(handle);
    EXPECT_EQ(opened, std::string(expectation) == "opens");
}

class Win32ProcessesTest : public test::DatabaseTest {};

TEST_F(Win32ProcessesTest, AnotherProcessCannotOpenWhileAHandleIsOpen) {
    {
        test::OpenDatabase db;
        ASSERT_TRUE(db.ok());
        EXPECT_EQ(RunChild("refused"), 0u);
    }
    EXPECT_EQ(RunChild("opens"), 0u);
}

}  // namespace
}  // namespace mvdb
