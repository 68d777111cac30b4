// ed-diff as a command: a file against itself, the two files swapped, a scripted list of edits of the
// pump example and the exact changes it must give, exit codes, the tolerance and the text's escapes.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tools/EdLoadRunner.h"

namespace edtest {
namespace {

using Json = nlohmann::ordered_json;

std::string EdDiffPath() {
    return EnvPath("ED_BIN", ED_DEFAULT_BIN) + "/ed-diff";
}

RunResult RunEdDiff(std::vector<std::string> args) {
    args.insert(args.begin(), "--quiet");
    return RunProgram(EdDiffPath(), args);
}

struct Edit {
    std::string from, to;
};

// `text` with each edit's first occurrence replaced; an edit that finds nothing fails the test.
std::string Apply(std::string text, const std::vector<Edit>& edits) {
    for (const Edit& edit : edits) {
        const size_t at = text.find(edit.from);
        EXPECT_NE(std::string::npos, at) << edit.from;
        if (at != std::string::npos) text.replace(at, edit.from.size(), edit.to);
    }
    return text;
}

// A revision of the pump with one edit of each kind.
const std::vector<Edit> kPumpEdits = {
    {"V 0 401 0 0 0 0 0 0 0 300", "V 0 401 0 0 0 0 0 0 0 312"},  // the cover moves 12 mm
    {"I 0 13 0 0 Rotating Assembly", "I 0 13 0 0 Rotor Assembly"},
    {"V 0 305 0 0 EN-GJL-250 grey cast iron",
     "V 0 305 0 0 EN-GJS-400 ductile iron\nP 308 3 4\nN 0 308 0 0 Coating\nV 0 308 0 0 epoxy"},
    {"P 306 3 4\nN 0 306 0 0 Mass\nV 0 306 0 0 38.5 kg\n", ""},
    {"C 42 1 0",
     "C 43 1 0\nI 0 43 0 0 Pressure Gauge\nP 4300 43 0\nN 0 4300 0 0 kxCid\nV 0 4300 0 0 gauge\nC 42 1 0"},
    {"X 12 2 7\nP 1200 12 0\nN 0 1200 0 0 kxCid\nV 0 1200 0 0 cover-bolt-6\nP 1201 12 1\nN 0 1201 0 0 "
     "location\n"
     "V 0 1201 0 0 0 0 300 75 -129.904 304\n",
     ""},
    {"C 17 13 0", "C 17 2 0"},  // the key moves from the rotor to the casing
    {"V 0 502 0 0 0.1 0.1 0.1", "V 0 502 0 0 0.2 0.2 0.2"},
    {"V 0 1601 0 0 0 0 0 0 0 152",
     "V 0 1601 0 0 0 0 0 0 0 152\nP 1602 16 1\nN 0 1602 0 0 renderenable\nV 0 1602 0 0 0"},
    {"L 0 38 0 0 motor.ed", "L 0 38 0 0 motor-v2.ed"},
};

// A structure of groups, parts with ids and bolts without, as a generator would write it; `variant`
// moves a part, drops a bolt and changes a property.
std::string Generated(bool variant) {
    std::string text = "T 0 Engineering\nC 1 0 0\nI 0 1 0 0 Frame\n";
    int component = 2, property = 1;
    auto add = [&](int parent, const std::string& name, const std::string& id, const std::string& value) {
        const std::string c = std::to_string(component++);
        text += "C " + c + " " + std::to_string(parent) + " 0\nI 0 " + c + " 0 0 " + name + "\n";
        for (const auto& [key, v] : {std::pair<std::string, std::string>{"kxCid", id}, {"Material", value}}) {
            if (v.empty()) continue;
            const std::string p = std::to_string(property++);
            text += "P " + p + " " + c + " 0\nN 0 " + p + " 0 0 " + key + "\nV 0 " + p + " 0 0 " + v + "\n";
        }
        return std::stoi(c);
    };
    for (int g = 0; g < 3; ++g) {
        const int group = add(1, "Group " + std::to_string(g), "g" + std::to_string(g), "");
        for (int p = 0; p < 4; ++p) {
            const bool moved = variant && g == 0 && p == 0;
            const std::string material = variant && g == 2 && p == 1 ? "brass" : "steel";
            if (!moved) add(group, "Part", "p" + std::to_string(g) + std::to_string(p), material);
            if (!(variant && g == 1 && p == 3)) add(group, "Bolt", "", "");
        }
        if (variant && g == 1) add(group, "Part", "p00", "steel");
    }
    return text;
}

std::vector<std::string> Sorted(const Json& changes, bool mirrored) {
    std::vector<std::string> texts;
    for (Json change : changes) {
        if (mirrored) {
            const std::string kind = change["change"];
            if (kind == "added" || kind == "removed")
                change["change"] = kind == "added" ? "removed" : "added";
            if (kind == "reparented") std::swap(change["path"], change["oldPath"]);
            for (Json& detail : change["details"]) std::swap(detail["old"], detail["new"]);
            change.erase("name");  // a renamed instance is listed by its name in the new file
        } else {
            change.erase("name");
        }
        std::vector<std::string> details;
        for (const Json& detail : change["details"]) details.push_back(detail.dump());
        std::sort(details.begin(), details.end());
        change["details"] = details;
        texts.push_back(change.dump());
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

// Invariants over example and generated files.
TEST(EdDiffInvariantTest, SelfIsEmptyAndSwappingMirrors) {
    TempFolder folder;
    const std::string pump = Example("pump/pump.ed");
    const std::string revised = folder.Write("pump.ed", Apply(ReadFile(pump), kPumpEdits));
    const std::string generated = folder.Write("g1.ed", Generated(false));
    const std::string variant = folder.Write("g2.ed", Generated(true));
    for (const std::string& file : {pump, revised, generated, Example("assembly/assembly.ed")}) {
        RunResult run = RunEdDiff({"--format", "json", file, file});
        EXPECT_EQ(0, run.exitCode) << file << run.err;
        EXPECT_EQ(Json::array(), run.Json()["changes"]) << file;
        EXPECT_GT(run.Json()["summary"]["unchanged"], 1) << file;
    }
    for (const auto& [a, b] : {std::pair{pump, revised}, {generated, variant}}) {
        RunResult forward = RunEdDiff({"--format", "json", a, b}),
                  backward = RunEdDiff({"--format", "json", b, a});
        ASSERT_EQ(1, forward.exitCode) << forward.err;
        ASSERT_EQ(1, backward.exitCode) << backward.err;
        const Json f = forward.Json(), r = backward.Json();
        EXPECT_EQ(f["summary"]["added"], r["summary"]["removed"]);
        EXPECT_EQ(f["summary"]["removed"], r["summary"]["added"]);
        EXPECT_EQ(f["summary"]["unchanged"], r["summary"]["unchanged"]);
        EXPECT_EQ(Sorted(f["changes"], false), Sorted(r["changes"], true)) << b;
    }
}

TEST(EdDiffInvariantTest, InstancesWithoutIdsAreNamedByTheirTurn) {
    TempFolder folder;
    RunResult run = RunEdDiff({"--format", "json", folder.Write("g1.ed", Generated(false)),
                               folder.Write("g2.ed", Generated(true))});
    const Json document = run.Json();
    std::vector<std::string> changes;
    for (const Json& change : document["changes"])
        changes.push_back(change["change"].get<std::string>() + " " + change["path"].get<std::string>() +
                          (change.contains("oldPath") ? " < " + change["oldPath"].get<std::string>() : ""));
    const std::vector<std::string> expected = {"removed g1/Bolt#4", "reparented g1/p00 < g0/p00",
                                               "changed g2/p21"};
    EXPECT_EQ(expected, changes);
}

// Each edit of the list gives its change and nothing else does.
TEST(EdDiffEditsTest, PumpEditsGiveExactlyTheirChanges) {
    TempFolder folder;
    const std::string revised = folder.Write("pump.ed", Apply(ReadFile(Example("pump/pump.ed")), kPumpEdits));
    RunResult run = RunEdDiff({"--format", "json", Example("pump/pump.ed"), revised});
    ASSERT_EQ(1, run.exitCode) << run.err;
    const Json document = run.Json();
    std::vector<std::string> changes;
    for (const Json& change : document["changes"]) {
        std::string text = change["change"].get<std::string>() + " " + change["path"].get<std::string>();
        for (const Json& detail : change["details"])
            text += " " + detail["what"].get<std::string>() +
                    (detail.contains("name") ? ":" + detail["name"].get<std::string>() : "");
        changes.push_back(text);
    }
    const std::vector<std::string> expected = {
        "changed casing/volute property:Material property:Coating property:Mass",
        "changed casing/cover placement",
        "changed casing/gasket colour",
        "removed casing/cover-bolt-6",
        "reparented casing/key",
        "changed rotor name",
        "changed rotor/impeller-nut visibility",
        "changed motor link",
        "added gauge",
    };
    EXPECT_EQ(expected, changes);
    EXPECT_EQ(Json::parse(R"({"added":1,"removed":1,"changed":6,"reparented":1,"unchanged":34})"),
              document["summary"]);
    const Json& c = document["changes"];
    EXPECT_EQ("rotor/key", c[4]["oldPath"]);
    struct Value {
        Json detail, old, now;
    };
    const Value values[] = {
        {c[0]["details"][0], "EN-GJL-250 grey cast iron", "EN-GJS-400 ductile iron"},
        {c[0]["details"][1], nullptr, "epoxy"},
        {c[0]["details"][2], "38.5 kg", nullptr},
        {c[5]["details"][0], "Rotating Assembly", "Rotor Assembly"},
        {c[6]["details"][0], 0, 3},
        {c[7]["details"][0], "motor.ed", "motor-v2.ed"},
    };
    for (const Value& v : values) {
        EXPECT_EQ(v.old, v.detail["old"]) << v.detail;
        EXPECT_EQ(v.now, v.detail["new"]) << v.detail;
    }
    EXPECT_EQ("Engineering", c[0]["details"][0]["group"]);
    const Json& placement = c[1]["details"][0];
    EXPECT_NEAR(
        0.012,
        placement["new"]["translation"][2].get<double>() - placement["old"]["translation"][2].get<double>(),
        1e-6);
    EXPECT_NEAR(0.2, c[2]["details"][0]["new"]["color"][0].get<double>(), 1e-6);
}

TEST(EdDiffCommandTest, ExitCodesToleranceAndText) {
    TempFolder folder;
    const std::string pump = Example("pump/pump.ed");
    const std::string moved = folder.Write("moved.ed", Apply(ReadFile(pump), {kPumpEdits[0]}));
    const std::string renamed = folder.Write(
        "renamed.ed", Apply(ReadFile(pump), {{"I 0 4 0 0 Casing Cover", "I 0 4 0 0 Cover\x1b]0;x\a"}}));
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* said;  // part of what it printed, on either stream
    };
    const Case cases[] = {
        {{pump, moved}, 1, "~ casing/cover  Casing Cover\n    placement: moved 12 mm\n"},
        {{"--tolerance", "0.02", pump, moved},
         0,
         "0 added, 0 removed, 0 changed, 0 re-parented, 42 unchanged"},
        {{pump, renamed}, 1, "name: \"Casing Cover\" -> \"Cover\\x1b]0;x\\x07\""},
        {{pump, folder.Path() + "/missing.ed"}, 2, "missing.ed"},
        {{pump}, 2, ""},
        {{"--tolerance", "-1", pump, pump}, 2, "--tolerance"},
        {{"--format", "tree", pump, pump}, 2, ""},
        {{"-o", moved, pump, moved}, 2, "is the input file"},
        {{"--plugin", "/nonexistent/ed.so", pump, pump}, 2, "/nonexistent/ed.so"},
    };
    for (const Case& c : cases) {
        RunResult run = RunEdDiff(c.args);
        EXPECT_EQ(c.exitCode, run.exitCode) << c.args.back() << run.err;
        EXPECT_TRUE(Contains(run.out + run.err, c.said)) << run.out << run.err;
        EXPECT_FALSE(Contains(run.out, "\x1b")) << "no colour off a terminal";
    }
}

}  // namespace
}  // namespace edtest
