// ed-load --format json: the document's shape, text in legacy encodings, and what --check adds. What
// the plug-in builds is checked by the rule files.

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <string>

#include "tools/EdLoadRunner.h"

namespace edtest {
namespace {

using Json = nlohmann::ordered_json;

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
    EXPECT_EQ("日本A\uFFFD\uFFFD-B", Load(folder.Write("bad.ed", bad))["root"]["name"]);
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

}  // namespace
}  // namespace edtest
