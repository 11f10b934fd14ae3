// What an administrator meets before any database work: the version, help,
// wrong commands, errors as JSON, and output that cannot be written.
#include <gtest/gtest.h>

#include "mvdb.h"
#include "support/temp_folder.h"
#include "tools/sample_database.h"
#include "tools/tool_runner.h"

namespace mvdb::test {
namespace {

using nlohmann::json;

TEST(CommandLineTest, VersionIsTheHeadersVersion) {
    const ToolRun run = RunTool({"--version"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, std::string("mvdb ") + MVDB_VERSION_STRING + "\n");
    EXPECT_EQ(std::to_string(MVDB_VERSION_MAJOR) + "." + std::to_string(MVDB_VERSION_MINOR) + "." +
                  std::to_string(MVDB_VERSION_PATCH),
              MVDB_VERSION_STRING);
}

TEST(CommandLineTest, AnUnknownCommandIsNamed) {
    const ToolRun text = RunTool({"stauts"});
    EXPECT_EQ(text.exitCode, 2);
    EXPECT_NE(text.err.find("unknown command \"stauts\""), std::string::npos) << text.err;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--json", "stauts"}, {"--data-dir", "somewhere", "stauts", "--json"}}) {
        const ToolRun run = RunTool(args);
        EXPECT_EQ(run.exitCode, 2);
        const json error = json::parse(run.out, nullptr, false);
        ASSERT_TRUE(error.is_object()) << run.out;
        EXPECT_NE(error["error"].get<std::string>().find("unknown command \"stauts\""), std::string::npos)
            << run.out;
    }
}

TEST(CommandLineTest, EveryCommandsHelpShowsTheGlobalOptions) {
    for (const char* command : {"status", "media", "add-media", "dump", "check"}) {
        const ToolRun run = RunTool({command, "--help"});
        EXPECT_EQ(run.exitCode, 0) << command;
        for (const char* option : {"--data-dir DIR", "--json", "--create"}) {
            EXPECT_NE(run.out.find(option), std::string::npos) << command << " --help lacks " << option;
        }
    }
}

class ToolErrorsTest : public SampleDatabaseTest {};

// With --json every failure is a JSON object on standard output, with the
// exit status the text form has.
TEST_F(ToolErrorsTest, ErrorsAreJsonWithTheSameExitStatus) {
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{"del-media", "9999"}, 1, "9999"},                     // refused by the library
        {{"dump", "/no/such/file.db"}, 2, "/no/such/file.db"},  // unreadable file
        {{"media", "--category", "x"}, 2, "--category"},        // wrong command line
        {{"bogus"}, 2, "unknown command \"bogus\""},            // no such command
    };
    for (const Case& c : cases) {
        const ToolRun text = RunTool(c.args);
        EXPECT_EQ(text.exitCode, c.exitCode) << c.args[0];
        std::vector<std::string> withJson = c.args;
        withJson.push_back("--json");
        const ToolRun run = RunTool(withJson);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args[0];
        const json error = json::parse(run.out, nullptr, false);
        ASSERT_TRUE(error.is_object()) << c.args[0] << ": " << run.out;
        EXPECT_EQ(error["code"], c.exitCode);
        EXPECT_EQ(error["formatVersion"], 1);
        EXPECT_NE(error["error"].get<std::string>().find(c.message), std::string::npos) << error.dump();
    }
}

TEST_F(ToolErrorsTest, EveryJsonResultCarriesTheFormatVersion) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"status"},
                                                 {"categories"},
                                                 {"media"},
                                                 {"check"},
                                                 {"dump", categoryFile()}}) {
        EXPECT_EQ(RunToolJson(args)["formatVersion"], 1) << args[0];
    }
}

#if !defined(_WIN32)
// Output that never arrives is a failure: a full disk, or a reader that
// closed the pipe before the tool wrote.
TEST_F(ToolErrorsTest, OutputThatCannotBeWrittenFails) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"status"}, {"--version"}, {"dump", mediaFile(), "--json"}}) {
        const ToolRun full = RunToolWithOutput(args, "/dev/full");
        EXPECT_EQ(full.exitCode, 1) << args[0];
        EXPECT_NE(full.err.find("cannot write the output"), std::string::npos) << full.err;
        const ToolRun closed = RunToolThroughPipes(args, "", true);
        EXPECT_EQ(closed.exitCode, 1) << args[0];
        EXPECT_NE(closed.err.find("cannot write the output"), std::string::npos) << closed.err;
    }
}

TEST_F(ToolErrorsTest, DumpReadsAFileFromAPipe) {
    const std::string bytes = ReadFileBytes(categoryFile());
    const json expected = RunToolJson({"dump", categoryFile()});
    for (const char* name : {"-", "/dev/stdin"}) {
        const ToolRun run = RunToolThroughPipes({"dump", name, "--json"}, bytes);
        ASSERT_EQ(run.exitCode, 0) << name << ": " << run.err;
        const json piped = json::parse(run.out, nullptr, false);
        ASSERT_TRUE(piped.is_object()) << run.out;
        EXPECT_EQ(piped["catalogue"], "category");
        EXPECT_EQ(piped["records"], expected["records"]) << name;
    }
}
#endif

}  // namespace
}  // namespace mvdb::test
