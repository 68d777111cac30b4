// ed-load as a command: exit codes, failed loads, output formats and finding the plug-in.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tools/EdLoadRunner.h"

namespace edtest {
namespace {

using Json = nlohmann::ordered_json;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A chain of `depth` nodes, each the only child of the one before.
std::string Chain(size_t depth) {
    std::string text = "C 1 0 0\nI 0 1 0 0 n1\n";
    for (size_t id = 2; id <= depth; ++id) {
        std::string n = std::to_string(id);
        text += "C " + n + " " + std::to_string(id - 1) + " 0\nI 0 " + n + " 0 0 n" + n + "\n";
    }
    return text;
}

// Failed loads

TEST(EdLoadFailureTest, MissingFileFailsTheFetch) {
    TempFolder folder;
    std::string missing = folder.Path() + "/missing.ed";
    RunResult run = RunEdLoad({"--format", "json", missing});
    EXPECT_EQ(1, run.exitCode);
    Json document = run.Json();
    EXPECT_EQ(0, document["loaded"]) << "a failed fetch does not mark the structure";
    EXPECT_EQ(false, document["event"]["done"]) << "the event was told of the failure instead";
    ASSERT_TRUE(document["event"]["failure"].is_string());
    EXPECT_TRUE(Contains(document["event"]["failure"], missing));
    EXPECT_TRUE(document["root"].is_null());
    EXPECT_TRUE(Contains(run.err, document["event"]["failure"].get<std::string>())) << run.err;
}

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

TEST(EdLoadFailureTest, FailedLoadInTreeFormatStillPrintsAndExitsOne) {
    TempFolder folder;
    std::string file = folder.Write("two-roots.ed", "C 1 0 0\nC 2 0 0\n");
    RunResult run = RunEdLoad({file});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(Contains(run.out, "(no root)")) << run.out;
    EXPECT_TRUE(Contains(run.err, "Failed to parse ED file \"" + file + "\"")) << "the loader's trace";
}

// Usage

TEST(EdLoadUsageTest, BadUsageExitsTwo) {
    EXPECT_EQ(2, RunEdLoad({}).exitCode) << "no file";
    EXPECT_EQ(2, RunEdLoad({"--format", "xml", Example("assembly/assembly.ed")}).exitCode);
    EXPECT_EQ(2, RunEdLoad({"--no-such-option", Example("assembly/assembly.ed")}).exitCode);
    TempFolder folder;
    RunResult unwritable =
        RunEdLoad({"-o", folder.Path() + "/no/such/dir/out.json", Example("assembly/assembly.ed")});
    EXPECT_EQ(2, unwritable.exitCode);
}

TEST(EdLoadUsageTest, HelpAndVersionSucceed) {
    RunResult help = RunEdLoad({"--help"});
    EXPECT_EQ(0, help.exitCode);
    EXPECT_TRUE(Contains(help.out, "--format")) << help.out;
    RunResult version = RunEdLoad({"--version"});
    EXPECT_EQ(0, version.exitCode);
    EXPECT_TRUE(Contains(version.out, "ed-load ")) << version.out;
}

TEST(EdLoadUsageTest, UnknownPluginExitsTwoAndNamesIt) {
    RunResult run = RunEdLoad({"--plugin", "/nonexistent/ed.so", Example("assembly/assembly.ed")});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_TRUE(Contains(run.err, "/nonexistent/ed.so")) << run.err;
    EXPECT_EQ("", run.out);
}

TEST(EdLoadUsageTest, OutputOptionWritesTheFileInstead) {
    TempFolder folder;
    std::string out = folder.Path() + "/assembly.json";
    RunResult run = RunEdLoad({"--format", "json", "-o", out, Example("assembly/assembly.ed")});
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ("", run.out);
    EXPECT_EQ("Assembly", Json::parse(ReadFile(out))["root"]["name"]);
}

// Finding the plug-in

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
}

TEST(EdLoadPluginTest, LinkToTheExecutableStillFindsThePlugin) {
    TempFolder folder;
    std::string link = folder.Path() + "/ed-load";
    std::filesystem::create_symlink(EdLoadPath(), link);
    EXPECT_EQ(0, RunProgram(link, {"--quiet", Example("assembly/assembly.ed")}).exitCode);
}

// Links

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

// Formats and traces

TEST(EdLoadFormatTest, TreeShowsComponentsDetailsAndCounts) {
    RunResult run = RunEdLoad({Example("assembly/assembly.ed")});
    EXPECT_EQ(0, run.exitCode);
    std::vector<std::string> lines = Lines(run.out);
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "+ Assembly  [node]"));
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "  + Bolt  [node]"));
    EXPECT_TRUE(Contains(run.out, "t=(0.01, 0, 0) m")) << run.out;
    EXPECT_TRUE(Contains(run.out, "Material = Steel  [Geometry]")) << run.out;
    EXPECT_TRUE(Contains(run.out, "2 components, 1 instances, 1 properties, 0 sources; loaded in"))
        << run.out;
}

TEST(EdLoadFormatTest, TracesGoToStderrUnlessQuietOrJson) {
    std::string pump = Example("pump/pump.ed");
    EXPECT_TRUE(Contains(RunEdLoad({pump}).err, "AddCheckout not yet implemented"));
    EXPECT_EQ("", RunEdLoad({"--quiet", pump}).err);
    EXPECT_EQ("", RunEdLoad({"--format", "summary", "--quiet", pump}).err);
    EXPECT_EQ("", RunEdLoad({"--format", "json", pump}).err);
}

TEST(EdLoadFormatTest, SummaryCountsWithoutPrintingTheStructure) {
    RunResult run = RunEdLoad({"--format", "summary", "--quiet", Example("pump/pump.ed")});
    EXPECT_EQ(0, run.exitCode);
    for (const char* row :
         {"components        42", "  proxies         1", "instances         41", "view states       4",
          "layer groups      2", "traces            14", "  illustration3d  1"})
        EXPECT_TRUE(Contains(run.out, row)) << row << "\n" << run.out;
    for (const char* row : {"fetch ", "parse and build ", "total ", "peak memory "})
        EXPECT_TRUE(Contains(run.out, row)) << row;
    EXPECT_FALSE(Contains(run.out, "Volute Casing"));
}

// Deep structures

TEST(EdLoadDeepTest, DeepChainStaysFlatInTreeAndNestsInJson) {
    const size_t depth = 50000;
    TempFolder folder;
    std::string file = folder.Write("chain.ed", Chain(depth));

    RunResult tree = RunEdLoad({"--quiet", file});
    ASSERT_EQ(0, tree.exitCode) << tree.err;
    size_t longest = 0;
    for (const auto& line : Lines(tree.out)) longest = std::max(longest, line.size());
    EXPECT_LT(longest, 200u) << "indentation must stop growing";
    EXPECT_TRUE(Contains(tree.out, "[49999] + n50000  [node]\n"));

    RunResult json = RunEdLoad({"--format", "json", file});
    ASSERT_EQ(0, json.exitCode) << json.err;
    Json document = json.Json();
    const Json* component = &document["root"];
    size_t levels = 1;
    while (!(*component)["children"].empty()) {
        component = &(*component)["children"][0]["component"];
        ++levels;
    }
    EXPECT_EQ(depth, levels);
    EXPECT_EQ("n50000", (*component)["name"]);
}

}  // namespace
}  // namespace edtest
