#include "tools/tool_runner.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_folder.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>
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

ToolRun RunToolWithOutput(const std::vector<std::string>& args, const std::string& outputPath) {
    TempFolder io;
    WriteFileBytes(io / "in", "");
    std::vector<std::string> argv = {MVDB_TOOL_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    ToolRun run;
    run.exitCode = Spawn(argv, io / "in", outputPath, io / "err");
    run.err = ReadFileBytes(io / "err");
    return run;
}

#if !defined(_WIN32)
ToolRun RunToolThroughPipes(const std::vector<std::string>& args, const std::string& input,
                            bool closedOutput) {
    // A child that stops reading must not end this process.
    ::signal(SIGPIPE, SIG_IGN);
    TempFolder io;
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    if (::pipe(in) != 0 || ::pipe(out) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    if (closedOutput) {
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, (io / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
    }
    posix_spawn_file_actions_addopen(&actions, 2, (io / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    for (int fd : {in[0], in[1], out[0], out[1]}) posix_spawn_file_actions_addclose(&actions, fd);
    std::vector<std::string> argv = {MVDB_TOOL_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (const std::string& arg : argv) raw.push_back(const_cast<char*>(arg.c_str()));
    raw.push_back(nullptr);
    // The reader is gone before the child writes anything.
    ::close(out[0]);
    pid_t child = 0;
    const int failed = posix_spawn(&child, raw[0], &actions, nullptr, raw.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    std::thread writer([&] {
        size_t done = 0;
        while (done < input.size()) {
            const ssize_t n = ::write(in[1], input.data() + done, input.size() - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        ::close(in[1]);
    });
    ToolRun run;
    int status = 0;
    if (failed == 0 && waitpid(child, &status, 0) == child) {
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    writer.join();
    if (!closedOutput) run.out = ReadFileBytes(io / "out");
    run.err = ReadFileBytes(io / "err");
    return run;
}
#endif

nlohmann::json RunToolJson(std::vector<std::string> args, int expectedExit) {
    args.push_back("--json");
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exitCode, expectedExit) << run.err;
    const nlohmann::json parsed = nlohmann::json::parse(run.out, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << "not JSON: " << run.out;
    return parsed;
}

}  // namespace mvdb::test
