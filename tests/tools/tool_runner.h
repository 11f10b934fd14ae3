// Runs the built mvdb program as a child process, as a person or a script
// would, and hands back its exit status and what it printed.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace mvdb::test {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `input` becomes the child's standard input (never a terminal); its
// standard output and error are files, so not terminals either. The child
// inherits the environment: the registry and lock folder of the test.
ToolRun RunTool(const std::vector<std::string>& args, const std::string& input = "");

// As RunTool, with standard output going to `outputPath` (/dev/full, say);
// `out` stays empty.
ToolRun RunToolWithOutput(const std::vector<std::string>& args, const std::string& outputPath);

#if !defined(_WIN32)
// POSIX: standard input is a pipe that carries `input` and then ends; with
// `closedOutput`, standard output is a pipe whose reader is already gone.
ToolRun RunToolThroughPipes(const std::vector<std::string>& args, const std::string& input,
                            bool closedOutput = false);
#endif

// Runs with --json, expects the exit status, and parses standard output.
nlohmann::json RunToolJson(std::vector<std::string> args, int expectedExit = 0);

}  // namespace mvdb::test
