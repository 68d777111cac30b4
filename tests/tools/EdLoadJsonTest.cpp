// ed-load --format json on the bundled examples: the document's shape and what the plug-in built.

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "tools/EdLoadRunner.h"

namespace edtest {
namespace {

using Json = nlohmann::ordered_json;

// Every component of the tree, parents first, without recursion.
std::vector<const Json*> AllComponents(const Json& document) {
    std::vector<const Json*> components, pending;
    if (!document["root"].is_null()) pending.push_back(&document["root"]);
    while (!pending.empty()) {
        const Json* component = pending.back();
        pending.pop_back();
        components.push_back(component);
        for (const auto& child : (*component)["children"]) pending.push_back(&child["component"]);
    }
    return components;
}

// The instance under `parent` whose component has that name; fails the test when there is none.
const Json& Child(const Json& parent, const std::string& name) {
    for (const auto& child : parent["children"])
        if (child["component"]["name"] == name) return child;
    ADD_FAILURE() << "no child named " << name;
    static const Json none = Json::object({{"location", nullptr}, {"component", Json::object()}});
    return none;
}

// Single-precision values come out widened, so they match decimal literals to about 1e-7.
void ExpectNumbers(const std::vector<double>& expected, const Json& actual, double tolerance = 1e-7) {
    ASSERT_EQ(expected.size(), actual.size()) << actual;
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(expected[i], actual[i].get<double>(), tolerance) << i;
}

// The millimetre factor is single precision, so a translation in millimetres is exact to about 1e-7.
void ExpectTranslation(const Json& instance, double x, double y, double z, double tolerance = 1e-7) {
    ExpectNumbers({x, y, z}, instance["location"]["translation"], tolerance);
}

class EdLoadJsonTest : public ::testing::Test {
  protected:
    Json Load(const std::string& example) {
        RunResult run = RunEdLoad({"--format", "json", Example(example)});
        EXPECT_EQ(0, run.exitCode) << run.err;
        EXPECT_EQ("", run.err) << "traces belong in the document";
        Json document = run.Json();
        EXPECT_TRUE(document.is_object()) << run.out.substr(0, 200);
        return document;
    }
};

// The worked example: the document's keys in order, and what the plug-in built.

TEST_F(EdLoadJsonTest, WorkedExampleHasTheDocumentedShapeAndPlacesTheBolt) {
    Json document = Load("assembly/assembly.ed");
    EXPECT_EQ(Example("assembly/assembly.ed"), document["file"]);
    Json& bolt = document["root"]["children"][0];
    // 10 mm along X, turned 90 degrees about Z: (0, 0, sin 45, cos 45).
    ExpectTranslation(bolt, 0.01, 0, 0, 1e-9);
    ExpectNumbers({0, 0, std::sqrt(0.5), std::sqrt(0.5)}, bolt["location"]["rotation"]);
    EXPECT_EQ(bolt["location"], bolt["savedLocation"]);
    // The rest compared whole, keys in document order.
    document["file"] = bolt["location"]["translation"] = bolt["location"]["rotation"] = nullptr;
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

// The pump and its motor

// A well-known name among the copied properties would mean a value in the example did not read.
TEST_F(EdLoadJsonTest, PumpUsesEveryViewableFamilyViewStateKindAndReportedRecord) {
    std::set<std::string> wellKnown;
    std::istringstream names(
        "location length_unit color bbox shapesource __kx_shapesource_index __kx_modelthumbnail kxCid "
        "renderenable document drawing ecad ecad_schematic ecad_pcb illustration illustration3d image "
        "oledoc file htmldoc shapetype view __kx_modelviewstate __kx_modelexplodestate "
        "__kx_modelalternaterep __kx_modelsectioncut __kx_modellayergroup");
    for (std::string name; names >> name;) wellKnown.insert(name);
    Json document = Load("pump/pump.ed");
    std::set<std::string> families;
    std::set<int> ecadTypes, viewStateTypes;
    size_t components = 0, proxies = 0;
    for (const Json* component : AllComponents(document)) {
        ++components;
        if ((*component)["kind"] == "proxy") ++proxies;
        for (const auto& viewable : (*component)["viewables"]) {
            families.insert(viewable["family"].get<std::string>());
            if (viewable["family"] == "ecad") ecadTypes.insert(viewable["ecadType"].get<int>());
            EXPECT_EQ(viewable["family"] == "ecad", viewable.contains("ecadType"));
        }
        for (const auto& state : (*component)["viewStates"]) viewStateTypes.insert(state["type"].get<int>());
        for (const auto& property : (*component)["properties"])
            EXPECT_EQ(0u, wellKnown.count(property["name"].get<std::string>()))
                << (*component)["name"] << " kept " << property;
    }
    EXPECT_EQ(42u, components);
    EXPECT_EQ(1u, proxies);
    EXPECT_EQ((std::set<std::string>{"document", "drawing", "ecad", "illustration", "illustration3d", "image",
                                     "oledoc", "file"}),
              families);
    EXPECT_EQ((std::set<int>{0, 1, 2}), ecadTypes);
    EXPECT_EQ((std::set<int>{0, 1, 2, 3}), viewStateTypes);
    // Records that are only reported (the pump has one of each) trace through the parser's channel.
    EXPECT_EQ(14u, document["traces"].size());
    for (const auto& trace : document["traces"]) {
        EXPECT_EQ("ed/Parser", trace["channel"]);
        EXPECT_TRUE(trace["type"].is_null());
    }
}

TEST_F(EdLoadJsonTest, PumpStructureCarriesWhatTheFileSays) {
    Json document = Load("pump/pump.ed");
    const Json& root = document["root"];
    EXPECT_EQ("Centrifugal Pump CP-80", root["name"]);
    EXPECT_EQ("annotations/cp80.ast", document["annotationSetTable"]);
    ExpectNumbers({0.16, 0.32, 0.75, 1}, document["rootAppearance"]["color"]);
    EXPECT_EQ(true, document["rootAppearance"]["opaque"]);
    EXPECT_EQ(Json::parse(R"(["Commercial","Engineering","Documents","Appearance","Geometry","System"])"),
              document["propertyGroups"]);
    EXPECT_EQ("thumbnails/cp80.png", root["thumbnail"]["source"]);
    EXPECT_TRUE(root["thumbnail"]["box"].is_null());
    ASSERT_EQ(3u, root["viewPoints"].size());
    EXPECT_EQ("Front", root["viewPoints"][0]["name"]);
    EXPECT_EQ(Json::parse("[-0.0,-0.0,-0.0,1.0]"), root["viewPoints"][0]["orientation"]);
    EXPECT_EQ(Json::parse(R"({"name":"Fasteners","members":["CoverBolts","FoundationBolts"]})"),
              root["layerGroups"][1]);

    const Json& motor = Child(root, "Drive Motor 7.5 kW");
    EXPECT_EQ("proxy", motor["component"]["kind"]);
    EXPECT_EQ("motor.ed", motor["component"]["link"]);
    EXPECT_EQ("motor", motor["id"]);
    ExpectTranslation(motor, 0, 0, 0.76);

    EXPECT_EQ(3, Child(Child(root, "Baseplate")["component"], "Coupling Guard")["visibility"]);
    const Json& volute = Child(Child(root, "Casing Assembly")["component"], "Volute Casing")["component"];
    ExpectNumbers({-0.21, -0.19, 0}, volute["shapeSource"]["box"]["min"]);
    ExpectNumbers({0.21, 0.19, 0.3}, volute["shapeSource"]["box"]["max"]);
}

// Encodings

TEST_F(EdLoadJsonTest, LegacyEncodingsArriveAsUtf8) {
    Json valve = Load("legacy/ball-valve-cp1252.ed");
    EXPECT_EQ("Kugelhahn DN 25 \u2013 PN 40", valve["root"]["name"]);
    EXPECT_EQ(Json::parse(R"({"name":"Preis","type":"Maße und Werkstoffe","value":"42,50 €"})"),
              valve["root"]["properties"][2]);
    EXPECT_EQ("Hebelgriff \u201EFl\u00FCgel\u201C", valve["root"]["children"].back()["component"]["name"]);

    Json kit = Load("legacy/bolt-kit-sjis.ed");
    EXPECT_EQ("ボルトセット M8", kit["root"]["name"]);
    EXPECT_EQ("六角ボルト M8×30", kit["root"]["children"][0]["component"]["name"]);
}

TEST_F(EdLoadJsonTest, TextThatIsNotUtf8IsReplacedNotDropped) {
    TempFolder folder;
    std::string file = folder.Write("bad.ed",
                                    "J utf-8\nC 1 0 0\nI 0 1 0 0 A\xff\xfe"
                                    "B\n");
    RunResult run = RunEdLoad({"--format", "json", file});
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ("A\uFFFD\uFFFDB", run.Json()["root"]["name"]);
}

// --check adds "diagnostics" after "traces" and changes nothing else; an error-level finding exits 1.
TEST_F(EdLoadJsonTest, CheckAddsDiagnosticsAfterTheTraces) {
    TempFolder folder;
    const std::string file = folder.Write("link.ed", "C 1 0 0\nC 2 1 0\nL 0 1 0 0 a.ed\nK\n");
    const RunResult plain = RunEdLoad({"--format", "json", file});
    const RunResult checked = RunEdLoad({"--format", "json", "--check", file});
    EXPECT_EQ(0, plain.exitCode);
    EXPECT_EQ(1, checked.exitCode);
    Json document = checked.Json();
    ASSERT_TRUE(document.is_object()) << checked.out.substr(0, 200);
    EXPECT_EQ("diagnostics", std::prev(document.end()).key());
    const Json diagnostics = document["diagnostics"];
    document.erase("diagnostics");
    EXPECT_EQ(plain.Json(), document);

    EXPECT_EQ(Json::parse(R"({"errors":1,"warnings":0,"infos":1,"truncated":false})"),
              Json({{"errors", diagnostics["errors"]},
                    {"warnings", diagnostics["warnings"]},
                    {"infos", diagnostics["infos"]},
                    {"truncated", diagnostics["truncated"]}}));
    ASSERT_EQ(2u, diagnostics["messages"].size());
    Json first = diagnostics["messages"][0];
    EXPECT_TRUE(first["message"].is_string());
    first.erase("message");
    EXPECT_EQ(
        Json::parse(R"({"code":"root-is-link","severity":"error","line":3,"column":null,"record":"L"})"),
        first);
    EXPECT_EQ(4, diagnostics["messages"][1]["line"]);
}

}  // namespace
}  // namespace edtest
