// ed-load as a command: exit codes, failed loads, output formats and finding the plug-in.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tools/EdLoadRunner.h"

namespace edtest {
namespace {

using Json = nlohmann::ordered_json;

// A failed parse: the document says so, and the loader's trace names the file.
TEST(EdLoadFailureTest, SecondRootStopsTheParse) {
    TempFolder folder;
    std::string file = folder.Write("two-roots.ed", "C 1 0 0\nI 0 1 0 0 First\nC 2 0 0\nI 0 2 0 0 Second\n");
    RunResult run = RunEdLoad({"--format", "json", file});
    EXPECT_EQ(1, run.exitCode);
    Json document = run.Json();
    EXPECT_EQ(2, document["loaded"]);
    EXPECT_EQ(Json::parse(R"({"done":false,"failure":"Failed to parse ED file."})"), document["event"]);
    EXPECT_TRUE(document["root"].is_null());
    Json expected = {{"channel", "structure/EDZParser"},
                     {"type", 3},
                     {"text", "Failed to parse ED file \"" + file + "\"\n"}};
    EXPECT_EQ(Json::array({expected}), document["traces"]);
    EXPECT_TRUE(Contains(run.err, "Failed to parse ED file.")) << run.err;
}

TEST(EdLoadUsageTest, BadUsageAndNoPluginExitTwo) {
    const std::string example = Example("assembly/assembly.ed");
    // Options that do not apply to the format are usage errors too.
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* said;  // part of what it printed, on either stream
    };
    const Case cases[] = {
        {{}, 2, ""},
        {{"--format", "xml", example}, 2, ""},
        {{"--no-such-option", example}, 2, ""},
        {{"--plugin", "/nonexistent/ed.so", example}, 2, "/nonexistent/ed.so"},
        {{"--plugin", "", example}, 2, ""},
        {{"--up", "y", example}, 2, ""},
        {{"--format", "json", "--no-boxes", example}, 2, ""},
        {{"--visible-only", example}, 2, ""},
        {{"--help"}, 0, "--format"},
        {{"--version"}, 0, "ed-load "},
    };
    for (const Case& c : cases) {
        RunResult run = RunEdLoad(c.args);
        EXPECT_EQ(c.exitCode, run.exitCode) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_TRUE(Contains(run.out + run.err, c.said)) << run.out << run.err;
    }
}

TEST(EdLoadPluginTest, FindsThePluginBesideItsOwnExecutable) {
    // A copy in a fresh bin/ looks in the lib/ beside it, not in the build tree.
    TempFolder folder;
    std::filesystem::create_directories(folder.Path() + "/bin");
    std::string copy = folder.Path() + "/bin/ed-load";
    std::filesystem::copy_file(EdLoadPath(), copy);
    RunResult without = RunProgram(copy, {Example("assembly/assembly.ed")});
    EXPECT_EQ(2, without.exitCode);
    EXPECT_TRUE(Contains(without.err, folder.Path() + "/lib/")) << without.err;

    std::filesystem::create_directories(folder.Path() + "/lib");
    std::filesystem::copy_file(PluginPath(), folder.Path() + "/lib/ed.so");
    RunResult with = RunProgram(copy, {"--quiet", Example("assembly/assembly.ed")});
    EXPECT_EQ(0, with.exitCode) << with.err;
    // A link to the executable looks beside the executable, not beside the link.
    std::string link = folder.Path() + "/ed-load";
    std::filesystem::create_symlink(EdLoadPath(), link);
    EXPECT_EQ(0, RunProgram(link, {"--quiet", Example("assembly/assembly.ed")}).exitCode);
}

// The host gives the structure its file's full path, so a link to a file that is gone from its absolute
// place is found beside the ED file even when ed-load was given a relative name.
TEST(EdLoadLinkTest, MovedLinkIsFoundBesideARelativelyNamedFile) {
    TempFolder folder;
    folder.Write("sub/main.ed", "C 1 0 0\nC 2 1 0\nL 0 2 0 0 /gone/away/motor.ed\n");
    folder.Write("sub/motor.ed", "C 1 0 0\n");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    RunResult run = RunEdLoad({"--format", "json", "sub/main.ed"});
    std::filesystem::current_path(before);
    ASSERT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ(folder.Path() + "/sub/motor.ed", run.Json()["root"]["children"][0]["component"]["link"]);
}

TEST(EdLoadFormatTest, TracesGoToStderrUnlessQuietOrJson) {
    std::string pump = Example("pump/pump.ed");
    EXPECT_TRUE(Contains(RunEdLoad({pump}).err, "AddCheckout not yet implemented"));
    EXPECT_EQ("", RunEdLoad({"--quiet", pump}).err);
    EXPECT_EQ("", RunEdLoad({"--format", "summary", "--quiet", pump}).err);
}

TEST(EdLoadFormatTest, SummaryCountsWithoutPrintingTheStructure) {
    RunResult run = RunEdLoad({"--format", "summary", "--quiet", Example("pump/pump.ed")});
    EXPECT_EQ(0, run.exitCode);
    for (const char* row :
         {"components        42", "  proxies         1", "instances         41", "view states       4",
          "layer groups      2", "traces            14", "  illustration3d  1"})
        EXPECT_TRUE(Contains(run.out, row)) << row << "\n" << run.out;
    for (const char* row :
         {"fetch ", "parse and build ", "total ", "peak memory ", "memory at start ", "after release "})
        EXPECT_TRUE(Contains(run.out, row)) << row;
    EXPECT_FALSE(Contains(run.out, "Volute Casing"));
}

}  // namespace
}  // namespace edtest
