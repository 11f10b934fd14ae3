#include "tools/tool_runner.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_folder.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace mvdb::test {

namespace {

#if defined(_WIN32)
// One argument quoted for the run-time library's command-line parser.
std::string Quote(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

HANDLE Inheritable(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
    return CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &attributes, write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

int Spawn(const std::vector<std::string>& argv, const std::string& in, const std::string& out,
          const std::string& err) {
    std::string commandLine;
    for (const std::string& arg : argv) commandLine += (commandLine.empty() ? "" : " ") + Quote(arg);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = Inheritable(in, false);
    startup.hStdOutput = Inheritable(out, true);
    startup.hStdError = Inheritable(err, true);
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        nullptr, &startup, &process);
    for (HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) CloseHandle(h);
    if (!started) return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}
#else
int Spawn(const std::vector<std::string>& argv, const std::string& in, const std::string& out,
          const std::string& err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t child = 0;
    const int failed = posix_spawn(&child, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return -1;
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}
#endif

}  // namespace

ToolRun RunTool(const std::vector<std::string>& args, const std::string& input) {
    TempFolder io;
    WriteFileBytes(io / "in", input);
    std::vector<std::string> argv = {MVDB_TOOL_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    ToolRun run;
    run.exitCode = Spawn(argv, io / "in", io / "out", io / "err");
    run.out = ReadFileBytes(io / "out");
    run.err = ReadFileBytes(io / "err");
#if defined(_WIN32)
    // Standard output and error are text streams on Windows.
    for (std::string* text : {&run.out, &run.err}) {
        for (size_t at = text->find("\r\n"); at != std::string::npos; at = text->find("\r\n", at))
            text->erase(at, 1);
    }
#endif
    return run;
}

nlohmann::json RunToolJson(std::vector<std::string> args, int expectedExit) {
    args.push_back("--json");
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, expectedExit) << run.err;
    const nlohmann::json parsed = nlohmann::json::parse(run.out, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << "not JSON: " << run.out;
    return parsed;
}

}  // namespace mvdb::test
