// ed-load --format gltf|glb read back: hierarchy, names, world placements, extras and boxes against
// ed-load's JSON document of the same load; the binary container's layout; the export options. The
// files written for the examples and for values glTF cannot take as they are pass the reference
// validator without errors or warnings (needs Node.js and the validator that scripts/setup installs).

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "support/EdText.h"
#include "support/Rotation.h"
#include "tools/EdLoadRunner.h"

namespace edtest {
namespace {

using Json = nlohmann::ordered_json;

// `count` nodes in a tree a few hundred levels deep, made the same way every time: placements with
// rotations, translations, scales and length units; colours, some translucent; boxes in various units;
// hidden instances; links; a repeated property name.
inline std::string GeneratedAssembly(int count) {
    std::mt19937 random(7);
    auto number = [&](int lo, int hi) { return std::to_string(lo + int(random() % unsigned(hi - lo + 1))); };
    EdText ed;
    ed.Type(1, "Data");
    std::vector<bool> isLink(count + 1, false);
    for (int id = 1; id <= count; ++id) {
        int parent = 0;
        if (id > 1) do
                parent = std::max(1, id - 1 - int(random() % 4));
            while (isLink[parent]);
        ed.Node(id, parent, "part " + std::to_string(id));
        std::string angles = number(-180, 180) + " " + number(-90, 90) + " " + number(-180, 180);
        std::string move = number(-500, 500) + " " + number(-500, 500) + " " + number(-500, 500);
        ed.Prop(id, "location", {angles + " " + move + (id % 10 == 0 ? (id % 20 ? " 1.25" : " 0.8") : "")});
        if (id % 7) ed.Prop(id, "kxCid", {"id" + std::to_string(id)});
        if (id % 6 == 0) ed.Prop(id, "length_unit", {id % 12 ? "CM" : "M"});
        if (id % 4 == 0)
            ed.Prop(id, "color",
                    {"0." + number(1, 9) + " 0." + number(1, 9) + " 0.5" + (id % 8 ? " 1" : " 0.5")});
        if (id % 3 == 0) {
            ed.Prop(id, "shapesource", {"shapes/" + std::to_string(id) + ".shp"});
            ed.Prop(id, "bbox",
                    {"-" + number(1, 90) + " -10 0 " + number(1, 90) + " 10 " + number(1, 90) +
                     (id % 9 == 0 ? " CM" : "")});
        }
        if (id % 13 == 0) ed.Prop(id, "renderenable", {"0"});
        if (id % 5 == 0) {
            ed.Prop(id, "Material", {"steel"});
            ed.Prop(id, "Material", {"zinc plated"});
        }
        if (id % 17 == 0) {
            isLink[id] = true;
            ed.Link(id, "linked" + std::to_string(id) + ".ed");
        }
    }
    return ed.Str();
}

// The values glTF cannot take as they are: colour components out of range, an inverted box, names
// that collide with each other and with the exporter's own keys.
inline std::string EdgeCases() {
    EdText ed;
    ed.Type(1, "Data");
    ed.Node(1, 0, "Edge Cases");
    ed.Prop(1, "color", {"2 -1 0.5"});
    ed.Node(2, 1, "Inverted");
    ed.Prop(2, "kxCid", {"inverted"});
    ed.Prop(2, "shapesource", {"shapes/inverted.shp"});
    ed.Prop(2, "bbox", {"10 20 30 0 0 0"});
    ed.Prop(2, "color", {"0.2 0.4 0.6 0.9"});
    ed.Prop(2, "Material", {"steel"});
    ed.Prop(2, "Material", {"brass"});
    ed.Prop(2, "Material [2]", {"bronze"});
    ed.Prop(2, "ed:instanceId", {"from a property"});
    ed.Node(3, 1, "Flat");
    ed.Prop(3, "shapesource", {"shapes/flat.shp"});
    ed.Prop(3, "bbox", {"0 0 0 100 100 0"});
    ed.Prop(3, "location", {"0 0 0 0 0 0 -1"});
    return ed.Str();
}

// Column-major, for column vectors (m[4 * column + row]): a child's world is parent * local.
struct Matrix {
    std::array<double, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

Matrix operator*(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int i = 0; i < 16; ++i) {
        int row = i % 4, col = i / 4;
        r.m[i] = 0;
        for (int k = 0; k < 4; ++k) r.m[i] += a.m[4 * k + row] * b.m[4 * col + k];
    }
    return r;
}

// Scale, then rotation (x, y, z, w; normalised here), then translation.
Matrix Trs(const Json& t, const Json& q, const Json& s) {
    double x = q[0], y = q[1], z = q[2], w = q[3], n = std::sqrt(x * x + y * y + z * z + w * w);
    const Mat3 r = FromQuaternion(x / n, y / n, z / n, w / n);
    Matrix out;
    for (int col = 0; col < 3; ++col) {
        for (int row = 0; row < 3; ++row) out.m[4 * col + row] = r.m[row][col] * s[col].get<double>();
        out.m[12 + col] = t[col];
    }
    return out;
}

Matrix GltfLocal(const Json& node) {
    return Trs(node.value("translation", Json{0, 0, 0}), node.value("rotation", Json{0, 0, 0, 1}),
               node.value("scale", Json{1, 1, 1}));
}

Matrix StructureLocal(const Json& instance) {
    const Json& location = instance["location"];
    if (location.is_null()) return {};
    double s = location["scale"];
    return Trs(location["translation"], location["rotation"], Json{s, s, s});
}

double Clamped(const Json& value) {
    return std::min(1.0, std::max(0.0, value.get<double>()));
}

const Json& Node(const Json& gltf, const Json& index) {
    return gltf["nodes"][index.get<size_t>()];
}

const Json& Top(const Json& gltf) {
    return Node(gltf, gltf["scenes"][0]["nodes"][0]);
}

const Json& MaterialOf(const Json& gltf, const Json& boxNode) {
    const Json& mesh = gltf["meshes"][boxNode["mesh"].get<size_t>()];
    return gltf["materials"][mesh["primitives"][0]["material"].get<size_t>()];
}

// A part of the structure and the glTF node that stands for it.
struct Visit {
    const Json* instance;  // {"component": the root} for the root
    const Json* node;
    Matrix structureWorld, gltfWorld;
    Json color;  // the nearest colour override on the path
};

void CheckExtras(const Visit& visit, const Json& extras) {
    const Json& instance = *visit.instance;
    const Json& component = instance["component"];
    if (instance.contains("id")) {
        EXPECT_EQ(instance["id"] == "" ? Json() : instance["id"], extras.value("ed:instanceId", Json()));
        EXPECT_EQ(instance["visibility"] == 3, extras.value("ed:hidden", false)) << component["name"];
    }
    EXPECT_EQ(component["link"], extras.value("ed:link", Json()));
    EXPECT_EQ(component["shapeSource"], extras.value("ed:shapeSource", Json()));
    std::map<std::string, int> seen;
    for (const auto& property : component["properties"]) {
        const std::string& name = property["name"];
        int n = ++seen[name];
        std::string key = n > 1 ? name + " [" + std::to_string(n) + "]" : name;
        EXPECT_EQ(property["value"], extras.value(key, Json())) << key;
    }
}

void CheckBox(const Visit& visit, const Json& gltf, const std::vector<const Json*>& boxes) {
    const Json& source = (*visit.instance)["component"]["shapeSource"];
    Json box = source.is_null() ? Json() : source["box"];
    ASSERT_EQ(box.is_null() ? 0u : 1u, boxes.size());
    if (box.is_null()) return;
    for (int axis = 0; axis < 3; ++axis) {
        double lo = box["min"][axis], hi = box["max"][axis];
        EXPECT_NEAR((lo + hi) / 2, (*boxes[0])["translation"][axis].get<double>(), 1e-9);
        EXPECT_NEAR(std::fabs(hi - lo), (*boxes[0])["scale"][axis].get<double>(), 1e-9);
    }
    const Json& material = MaterialOf(gltf, *boxes[0]);
    Json color = visit.color.is_null() ? Json{0.8, 0.8, 0.8, 1} : visit.color;
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(Clamped(color[i]), material["pbrMetallicRoughness"]["baseColorFactor"][i].get<double>(),
                    1e-7);
    EXPECT_EQ(Clamped(color[3]) < 1, material.value("alphaMode", "OPAQUE") == "BLEND");
}

// Walks both trees side by side, checking every part; returns the number of parts.
size_t CheckAgainst(const Json& structure, const Json& gltf) {
    Json root = {{"component", structure["root"]}};
    const Json& rootAppearance = structure["rootAppearance"];
    std::vector<Visit> pending{{&root,
                                &Node(gltf, Top(gltf)["children"][0]),
                                {},
                                {},
                                rootAppearance.is_null() ? Json() : rootAppearance["color"]}};
    size_t parts = 0;
    for (; !pending.empty(); ++parts) {
        Visit visit = pending.back();
        pending.pop_back();
        const Json& component = (*visit.instance)["component"];
        EXPECT_EQ(component["name"], (*visit.node)["name"]);
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(visit.structureWorld.m[i], visit.gltfWorld.m[i], 1e-6)
                << component["name"] << " " << i;
        CheckExtras(visit, visit.node->value("extras", Json::object()));
        std::vector<const Json*> children, boxes;
        for (const auto& child : visit.node->value("children", Json::array()))
            (Node(gltf, child).contains("mesh") ? boxes : children).push_back(&Node(gltf, child));
        CheckBox(visit, gltf, boxes);
        const Json& instances = component["children"];
        EXPECT_EQ(instances.size(), children.size()) << component["name"];
        if (instances.size() != children.size()) continue;
        for (size_t i = 0; i < children.size(); ++i) {
            const Json& appearance = instances[i]["appearance"];
            bool colored = !appearance.is_null() && !appearance["color"].is_null();
            pending.push_back(
                {&instances[i], children[i], visit.structureWorld * StructureLocal(instances[i]),
                 visit.gltfWorld * GltfLocal(*children[i]), colored ? appearance["color"] : visit.color});
        }
    }
    return parts;
}

uint32_t Uint32At(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[offset + i]);
    return value;
}

// The chunks of a binary container: JSON, then binary data when there is any, each a length, a type
// and data of that length, a multiple of four. Empty when the bytes are no such container.
std::vector<std::string> GlbChunks(const std::string& bytes) {
    const uint32_t kTypes[] = {0x4E4F534A, 0x004E4942};
    if (bytes.compare(0, 4, "glTF") != 0 || Uint32At(bytes, 4) != 2 || Uint32At(bytes, 8) != bytes.size())
        return {};
    std::vector<std::string> chunks;
    for (size_t at = 12; at < bytes.size() && chunks.size() < 2; at += 8 + chunks.back().size()) {
        uint32_t length = Uint32At(bytes, at);
        if (length % 4 || at + 8 + length > bytes.size() || Uint32At(bytes, at + 4) != kTypes[chunks.size()])
            return {};
        chunks.push_back(bytes.substr(at + 8, length));
    }
    return chunks;
}

class GltfExportTest : public ::testing::Test {
  protected:
    std::string Export(const std::string& file, const std::string& format,
                       const std::vector<std::string>& options = {}) {
        const RunResult run = RunToFile(m_folder, format, file, options);
        EXPECT_EQ(0, run.exitCode) << run.err;
        return ReadFile(m_folder.Path() + "/out." + format);
    }
    Json ExportGltf(const std::string& file, const std::vector<std::string>& options = {}) {
        return Json::parse(Export(file, "gltf", options), nullptr, false);
    }

    TempFolder m_folder;
};

TEST_F(GltfExportTest, GeneratedAssemblyMatchesTheLoadedStructure) {
    std::string file = m_folder.Write("generated.ed", GeneratedAssembly(1000));
    Json structure = RunEdLoad({"--format", "json", file}).Json();
    Json gltf = ExportGltf(file);
    ASSERT_TRUE(gltf.is_object() && structure.is_object());
    EXPECT_EQ(1000u, CheckAgainst(structure, gltf));
}

TEST_F(GltfExportTest, CollidingNamesAndOutOfRangeValues) {
    Json gltf = ExportGltf(m_folder.Write("edge.ed", EdgeCases()));
    const Json& root = Node(gltf, Top(gltf)["children"][0]);
    Json extras = Node(gltf, root["children"][0])["extras"];
    extras.erase("ed:shapeSource");
    EXPECT_EQ(Json::parse(R"({"ed:instanceId":"inverted","Material":"steel","Material [2]":"brass",
                              "Material [2] [2]":"bronze","ed:instanceId [2]":"from a property"})"),
              extras);
    // The translucent part blends; the flat one takes the root's colour, clamped to glTF's range.
    const Json& translucentBox = Node(gltf, Node(gltf, root["children"][0])["children"][0]);
    EXPECT_EQ("BLEND", MaterialOf(gltf, translucentBox)["alphaMode"]);
    EXPECT_NEAR(0.03, translucentBox["scale"][2].get<double>(), 1e-7) << "corners given maximum first";
    const Json& flatBox = Node(gltf, Node(gltf, root["children"][1])["children"][0]);
    EXPECT_EQ(0, flatBox["scale"][2]);
    const Json& clamped = MaterialOf(gltf, flatBox);
    EXPECT_EQ(Json::parse("[1, 0, 0.5, 1]"), clamped["pbrMetallicRoughness"]["baseColorFactor"]);
    EXPECT_FALSE(clamped.contains("alphaMode"));
}

TEST_F(GltfExportTest, BinaryContainerHoldsTheSameDocumentAndTheBuffer) {
    std::string file = Example("pump/pump.ed");
    Json gltf = ExportGltf(file);
    std::vector<std::string> chunks = GlbChunks(Export(file, "glb"));
    ASSERT_EQ(2u, chunks.size());
    size_t end = chunks[0].rfind('}') + 1;
    EXPECT_EQ(std::string(chunks[0].size() - end, ' '), chunks[0].substr(end)) << "padded with spaces";
    Json document = Json::parse(chunks[0], nullptr, false);
    size_t length = document["buffers"][0]["byteLength"];
    ASSERT_TRUE(length <= chunks[1].size() && chunks[1].size() < length + 4) << chunks[1].size();
    EXPECT_EQ(std::string(chunks[1].size() - length, '\0'), chunks[1].substr(length)) << "padded with zeros";
    // Only the buffer's place differs: embedded text in one, the binary chunk in the other.
    EXPECT_EQ(0u, gltf["buffers"][0]["uri"].get<std::string>().find("data:application/octet-stream;base64,"));
    gltf["buffers"][0].erase("uri");
    EXPECT_EQ(gltf, document);
}

TEST_F(GltfExportTest, TopNodeTurnsZUpToYUpUnlessTheStructureIsYUp) {
    std::string file = Example("assembly/assembly.ed");
    Json gltf = ExportGltf(file);
    const Json& zUp = Top(gltf);
    EXPECT_EQ("assembly.ed", zUp["name"]);
    Matrix turn = GltfLocal(zUp);
    EXPECT_NEAR(1, turn.m[4 * 2 + 1], 1e-12) << "Z goes to Y";
    EXPECT_NEAR(-1, turn.m[4 * 1 + 2], 1e-12) << "Y goes to -Z";
    EXPECT_FALSE(Top(ExportGltf(file, {"--up", "y"})).contains("rotation"));
}

TEST_F(GltfExportTest, VisibleOnlyAndNoBoxesLeaveThingsOut) {
    std::string file = m_folder.Write("generated.ed", GeneratedAssembly(200));
    Json all = ExportGltf(file, {"--no-boxes"}), visible = ExportGltf(file, {"--visible-only", "--no-boxes"});
    for (const char* member : {"meshes", "materials", "accessors", "bufferViews", "buffers"})
        EXPECT_FALSE(all.contains(member)) << member;
    size_t hiddenInAll = 0;
    for (const auto& node : all["nodes"])
        hiddenInAll += node.value("extras", Json::object()).contains("ed:hidden");
    for (const auto& node : visible["nodes"])
        EXPECT_FALSE(node.value("extras", Json::object()).contains("ed:hidden"));
    EXPECT_GT(hiddenInAll, 0u);
    EXPECT_LE(visible["nodes"].size(), all["nodes"].size() - hiddenInAll);
}

std::string ValidateScript() {
    return EnvPath("ED_GLTF_VALIDATE", ED_DEFAULT_GLTF_VALIDATE) + "/validate.js";
}

class GltfValidatorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (RunProgram("/usr/bin/env", {"node", "--version"}).exitCode != 0)
            GTEST_SKIP() << "Node.js is not installed: the glTF validator cannot run here";
    }

    // Exports `file` in both containers and validates each.
    void ExpectValid(const std::string& file) {
        TempFolder folder;
        for (const char* format : {"gltf", "glb"}) {
            std::string out = folder.Path() + "/out." + format;
            RunResult run = RunEdLoad({"--quiet", "--format", format, "-o", out, file});
            ASSERT_EQ(0, run.exitCode) << run.err;
            RunResult report = RunProgram("/usr/bin/env", {"node", ValidateScript(), out});
            EXPECT_EQ(0, report.exitCode) << format << ": " << report.out << report.err;
            EXPECT_EQ(0u, report.out.find("errors 0 warnings 0 "))
                << format << ": " << report.out << report.err;
        }
    }
};

class GltfExampleValidatorTest : public GltfValidatorTest,
                                 public ::testing::WithParamInterface<std::string> {};

TEST_P(GltfExampleValidatorTest, ExportsAreValid) {
    ExpectValid(Example(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Examples, GltfExampleValidatorTest,
                         ::testing::Values("assembly/assembly.ed", "pump/pump.ed", "pump/motor.ed",
                                           "legacy/ball-valve-cp1252.ed", "legacy/bolt-kit-sjis.ed"));

TEST_F(GltfValidatorTest, ValuesOutsideGltfRangesAreMadeValid) {
    TempFolder folder;
    ExpectValid(folder.Write("edge.ed", EdgeCases()));
}

}  // namespace
}  // namespace edtest
