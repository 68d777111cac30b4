// ed-load as a command: exit codes, failed loads, the JSON document's shape and what --check adds,
// finding the plug-in, never losing a user's file, running out of memory, and keeping what a file
// holds from steering the terminal. What the plug-in builds is checked by the rule files.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <iterator>
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
    TempFolder folder;
    // Options that do not apply to the format are usage errors too.
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* said;  // part of what it printed, on either stream
        std::string input = "/dev/null";
    };
    const Case cases[] = {
        {{}, 2, ""},
        {{"--format", "xml", example}, 2, ""},
        {{"--no-such-option", example}, 2, ""},
        {{"--fromat", "json", example}, 2, "unknown option --fromat"},
        {{"--check", folder.Path() + "/missing.ed"}, 1, "cannot check the file"},
        {{"--check", folder.Path()}, 1, "cannot check the file"},
        {{"--format", "json", "-"}, 0, "\"name\":\"Assembly\"", example},
        {{"--plugin", "/nonexistent/ed.so", example}, 2, "/nonexistent/ed.so"},
        {{"--plugin", "", example}, 2, ""},
        {{"--up", "y", example}, 2, ""},
        {{"--format", "json", "--no-boxes", example}, 2, ""},
        {{"--visible-only", example}, 2, ""},
        {{"--help"}, 0, "--format"},
        {{"--version"}, 0, "ed-load "},
    };
    for (const Case& c : cases) {
        RunResult run = RunEdLoad(c.args, c.input);
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
    EXPECT_FALSE(Contains(RunEdLoad({pump}).err, "\n\n"));
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

Json Load(const std::string& file) {
    RunResult run = RunEdLoad({"--format", "json", file});
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ("", run.err) << "traces belong in the document";
    return run.Json();
}

// The worked example compared whole, keys in document order; single-precision values widened apart.
TEST(EdLoadJsonTest, WorkedExampleHasTheDocumentedShape) {
    Json document = Load(Example("assembly/assembly.ed"));
    EXPECT_EQ(Example("assembly/assembly.ed"), document["file"]);
    Json& bolt = document["root"]["children"][0];
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(i < 2 ? 0 : std::sqrt(0.5), bolt["location"]["rotation"][i].get<double>(), 1e-7);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(i ? 0 : 0.01, bolt["location"]["translation"][i].get<double>(), 1e-9);
    EXPECT_EQ(bolt["location"], bolt["savedLocation"]);
    document["file"] = bolt["location"]["rotation"] = bolt["location"]["translation"] = nullptr;
    bolt["savedLocation"] = nullptr;
    EXPECT_EQ(Json::parse(R"({"file":null,"loaded":1,"event":{"done":true,"failure":null},
        "annotationSetTable":null,"rootAppearance":null,"propertyGroups":["Geometry"],
        "root":{"kind":"node","name":"Assembly","link":null,"shapeSource":null,"thumbnail":null,
          "viewables":[],"viewPoints":[],"viewStates":[],"layerGroups":[],"properties":[],
          "children":[{"id":"","location":{"translation":null,"rotation":null,"scale":1.0},
            "savedLocation":null,"appearance":null,"visibility":0,
            "component":{"kind":"node","name":"Bolt","link":null,"shapeSource":null,"thumbnail":null,
              "viewables":[],"viewPoints":[],"viewStates":[],"layerGroups":[],
              "properties":[{"name":"Material","type":"Geometry","value":"Steel"}],"children":[]}}]},
        "traces":[]})"),
              document);
}

// The conversion of legacy encodings is checked by the rule files.
TEST(EdLoadJsonTest, Utf8PassesAndBadUtf8IsReplaced) {
    TempFolder folder;
    const std::string bad = "J utf-8\nC 1 0 0\nI 0 1 0 0 日本A\xff\xfe-B\n";
    const Json document = Load(folder.Write("bad\xff.ed", bad));
    EXPECT_EQ("日本A\uFFFD\uFFFD-B", document["root"]["name"]);
    // The bytes themselves, in base64, beside the text that lost them.
    EXPECT_EQ("5pel5pysQf/+LUI=", document["root"]["nameBytes"]);
    EXPECT_TRUE(document.contains("fileBytes"));
}

// --check adds "diagnostics" after "traces" and changes nothing else; an error-level finding exits 1.
TEST(EdLoadJsonTest, CheckAddsDiagnosticsAfterTheTraces) {
    TempFolder folder;
    const std::string file = folder.Write("link.ed", "C 1 0 0\nC 2 1 0\nL 0 1 0 0 a.ed\nK\n");
    const RunResult checked = RunEdLoad({"--format", "json", "--check", file});
    EXPECT_EQ(1, checked.exitCode);
    Json document = checked.Json();
    ASSERT_TRUE(document.is_object()) << checked.out.substr(0, 200);
    EXPECT_EQ("diagnostics", std::prev(document.end()).key());
    Json diagnostics = document["diagnostics"];
    document.erase("diagnostics");
    EXPECT_EQ(RunEdLoad({"--format", "json", file}).Json(), document);
    ASSERT_EQ(2u, diagnostics["messages"].size());
    EXPECT_TRUE(diagnostics["messages"][0]["message"].is_string());
    diagnostics["messages"][0].erase("message");
    diagnostics["messages"][1] = diagnostics["messages"][1]["line"];
    EXPECT_EQ(Json::parse(R"({"errors":1,"warnings":0,"infos":1,"truncated":false,"messages":[
        {"code":"root-is-link","severity":"error","line":3,"column":null,"record":"L"},4]})"),
              diagnostics);
}

const char kGood[] = "C 1 0 0\nI 0 1 0 0 Root\n";
const char kBefore[] = "what was there before";

TEST(EdLoadSafetyTest, OutputIsReplacedOnlyByACompleteOutput) {
    TempFolder folder;
    const std::string input = folder.Write("in.ed", kGood);
    const std::string broken = folder.Write("broken.ed", "C 1 0 0\nC 2 0 0\n");
    struct Case {
        std::vector<std::string> args;  // -o OUT is added
        std::string out;                // the output path
        int exitCode;
        bool keeps;       // written with kBefore first, the output still holds it
        std::string err;  // part of what it said
    };
    const Case cases[] = {
        {{input}, input, 2, false, "is the input file"},
        {{"--format", "tree", broken}, folder.Path() + "/t", 1, true, "cannot load"},
        {{"--format", "summary", broken}, folder.Path() + "/s", 1, true, "cannot load"},
        {{"--format", "tree", broken}, folder.Path() + "/t", 1, true, "broken.ed:2: error: "},
        {{"--format", "gltf", broken}, folder.Path() + "/g", 1, true, "cannot load"},
        {{"--format", "glb", folder.Path() + "/missing.ed"}, folder.Path() + "/b", 1, true, "No such file"},
        {{"--format", "json", broken}, folder.Path() + "/j", 1, false, "cannot load"},
        {{input}, folder.Path() + "/no/such/folder/out", 1, false, "cannot write \"" + folder.Path()},
    };
    for (const Case& c : cases) {
        if (c.keeps) folder.Write(c.out.substr(folder.Path().size() + 1), kBefore);
        std::vector<std::string> args = {"--quiet", "-o", c.out};
        args.insert(args.end(), c.args.begin(), c.args.end());
        RunResult run = RunEdLoad(args);
        EXPECT_EQ(c.exitCode, run.exitCode) << c.out << run.err;
        EXPECT_TRUE(Contains(run.err, c.err)) << run.err;
        if (c.keeps) {
            EXPECT_EQ(kBefore, ReadFile(c.out)) << c.out;
        }
    }
    EXPECT_EQ(kGood, ReadFile(input)) << "the input is never opened for writing";
    EXPECT_EQ(0, RunEdLoad({"--quiet", "-o", folder.Path() + "/t", input}).exitCode);
    EXPECT_TRUE(Contains(ReadFile(folder.Path() + "/t"), "+ Root")) << "a good load replaces it";
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        EXPECT_NE('.', entry.path().filename().string()[0]) << "left behind: " << entry.path();
}

TEST(EdLoadSafetyTest, RunningOutOfMemoryIsAFailedLoad) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer reports a failed allocation instead of throwing, and needs more address "
                    "space than a limit that lets a load run out leaves";
#endif
    TempFolder folder;
    const std::string line = folder.Write("line.ed", "I 0 1 0 0 " + std::string(64 << 20, 'x') + "\n");
    const rlim_t limit = 128 << 20;
    EXPECT_EQ(0, RunProgram(EdLoadPath(), {"--quiet", Example("pump/pump.ed")}, limit).exitCode)
        << "the limit leaves room for an ordinary load";
    for (const std::string& file : {line, std::string("/dev/zero")}) {
        RunResult run = RunProgram(EdLoadPath(), {"--format", "json", file}, limit);
        EXPECT_EQ(1, run.exitCode) << file;
        EXPECT_EQ("ed-load: out of memory while loading " + file + "\n", run.err);
        EXPECT_EQ(Json::parse(R"({"done":false,"failure":"out of memory"})"), run.Json()["event"]);
    }
}

TEST(EdLoadSafetyTest, ControlBytesReachPeopleAsEscapes) {
    TempFolder folder;
    const std::string file = folder.Write(
        "t\x1b[2J.ed", "J utf-8\nK \x1b]0;title\x07\nC 1 0 0\nI 0 1 0 0 a\x1b[31m\xc2\x9b\xff\n");
    const std::string safe = folder.Path() + "/t\\x1b[2J.ed";
    struct Case {
        std::vector<std::string> args;
        bool onStderr;
        std::string said;
    };
    const Case cases[] = {
        {{file}, false, "+ a\\x1b[31m\\xc2\\x9b\\xff  [node]"},
        {{"--format", "summary", file}, false, "file              " + safe + "\n"},
        {{"--format", "summary", file}, true, "AddCheckout not yet implemented - K \\x1b]0;title\\x07\n"},
        {{"--format", "json", "--quiet", file}, false, R"("name":"a\u001b[31m)"},
    };
    for (const Case& c : cases) {
        RunResult run = RunEdLoad(c.args);
        EXPECT_TRUE(Contains(c.onStderr ? run.err : run.out, c.said)) << run.out << run.err;
        EXPECT_FALSE(Contains(run.out, "\x1b[31m")) << run.out;
    }
}

}  // namespace
}  // namespace edtest
