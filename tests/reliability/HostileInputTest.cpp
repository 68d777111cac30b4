// Files from other tools and other machines: every one of these must load or fail cleanly, in
// memory and time that grow with the file, and leave nothing behind (the fixture counts symbols and
// objects). Through ed-load and the plug-in, it exits 0 or 1, never by a signal, and what it prints
// grows no faster than the file.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "HostileLoad.h"
#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "support/EdText.h"
#include "support/ParserInspector.h"
#include "support/StructureWalk.h"
#include "support/TempFolder.h"
#include "tools/EdLoadRunner.h"

namespace edtest {
namespace {

using namespace std::string_literals;

size_t Depth(const kxk::Structure& structure) {
    size_t deepest = 0;
    WalkStructure(structure, [&](const WalkStep& step) { deepest = std::max(deepest, step.depth); });
    return deepest;
}

const kxk::ComponentNode& ChildNode(const kxk::ComponentNode& node, size_t i) {
    return static_cast<const kxk::ComponentNode&>(*node.GetChildren().at(i)->GetComponent());
}

using HostileTreeTest = HostileLoadTest;

// --- Deep and looping trees ---------------------------------------------------------------------

// The lookup cache lets C and X records make loops (the rule files check a node below its own
// descendant): copies of each other, a ring of a hundred thousand nodes. Each node is built once,
// and the structure is still a tree. Last, a million levels, each a copy of the level above, so
// that a million copy nodes share one property chain.
TEST_F(HostileTreeTest, LoopsAndDeepCopiesAreBuiltOnceAsATree) {
    constexpr int kDepth = 1000000;
    const std::string copies = Chain(kDepth, [](const std::string& id, const std::string& up) {
        return "X " + id + " " + up + " " + up + "\n";
    });
    // The I record leaves node 1 in the cache, so the last C record hangs the root under the chain's end.
    const std::string ring =
        Chain(100000,
              [](const std::string& id, const std::string& up) { return "C " + id + " " + up + " 0\n"; }) +
        "I 0 1 0 0 ring\nC 1 100000 0\n";
    struct Case {
        std::string text;
        size_t nodes;  // components the build makes
        size_t depth;
    };
    const Case cases[] = {
        {"C 1 0 0\nX 2 1 3\nX 3 1 2\n" + EdText().Prop(2, "a", {"b"}).Str(), 3, 1},
        {ring, 100000, 99999},
        {copies + EdText().Prop(1, "Material", {"Steel"}).Str(), kDepth, kDepth - 1},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Load(c.text)) << c.text.substr(0, 60);
        EXPECT_EQ(c.nodes, structure->GetNodesCreated()) << c.text.substr(0, 60);
        EXPECT_EQ(c.depth, Depth(*structure)) << c.text.substr(0, 60);
    }
    const kxk::ComponentNode* node = &Root();
    while (!node->GetChildren().empty()) node = &ChildNode(*node, 0);
    EXPECT_EQ(du::Symbol("n1"), node->GetName());
    ASSERT_EQ(1u, node->GetProperties().Size());
    EXPECT_EQ(du::Symbol("Steel"), node->GetProperties().Get(0).value);
}

// Every fuzz seed, every input that once made a fuzz target fail, and a file of every kind of
// record that the build leaves partly unused: each read alone and dropped, neither built nor
// cleared, then loaded.
TEST_F(HostileTreeTest, FuzzSeedsRegressionsAndUnbuiltRecordsReleaseWhatTheyRead) {
    std::vector<std::string> inputs = {
        "J windows-1252\nC 1 0 0\nI 0 1 0 0 unbuilt-root \xe9\nC 3 1 0\nI 0 3 0 0 unbuilt-lost\nC 9 1 0\n"
        "C 3 1 0\nI 0 3 0 0 unbuilt-kept\nL 0 9 0 0 /gone/unbuilt.ed\nP 7 1 2\nN 0 7 0 0 unbuilt-Name\n"
        "V 0 7 0 0 unbuilt-v1\nP 8 1 2\nP 7 3 2\nV 0 7 0 0 unbuilt-v2\nN 0 11 0 0 unbuilt-unattached\n"
        "T 2 unbuilt-Type\nX 12 1 3\nR unbuilt-redirect\n"};
    for (const char* folder : {"/seeds", "/regressions"}) {
        for (const auto& entry : std::filesystem::directory_iterator(std::string(ED_FUZZ) + folder)) {
            if (entry.path().extension() == ".md") continue;
            inputs.push_back(ReadFile(entry.path()));
        }
    }
    for (const std::string& input : inputs) {
        ed::Parser parser;
        ed::ParserInspector(parser).Read(input);
        Load(input);
    }
}

// --- Long lines ---------------------------------------------------------------------------------

// The default run takes 16 MiB lines; ED_HOSTILE_FULL=1 the sizes promised.
TEST_F(HostileTreeTest, LongLinesLoad) {
    const size_t kMiB = size_t(1) << 20, kMB = 1000 * 1000;
    struct Case {
        std::string head, tail;
        char fill;
        size_t fullSize;
        bool namesRoot;
    };
    const Case cases[] = {
        {"C 1 0 0\nI 0 1 0 0 ", "\n", 'n', 256 * kMiB, true},
        {"C 1 0 0\nI 0 1 0 0 ", "", 'x', 100 * kMB, true},  // no line feed
        {"C ", "", '9', 100 * kMB, false},
        {"C 1 0 0\nI 0 1 0 0", "\n", ' ', 256 * kMiB, false},
        {"C 1 0 0\nP 1 1 1\nN 0 1 0 0 note\nV 0 1 0 0 ", "\n", 'v', 256 * kMiB, false},
        {"C 1 0 0\n", "", '\0', 100 * kMB, false},
    };
    for (const Case& c : cases) {
        const size_t size = FullSizes() ? c.fullSize : 16 * kMiB;
        ASSERT_TRUE(Load(c.head + std::string(size, c.fill) + c.tail)) << c.head << c.fill;
        if (c.namesRoot) {
            EXPECT_EQ(size, Root().GetName().length());
        }
    }
}

// --- Ids, counts and odd bytes ------------------------------------------------------------------

// The largest ids, ids that wrap as thirty-two bits, a zero byte before the first record and a file of
// line feeds alone; how ids wrap and lines end is checked by the rule files. `root` is the root's name
// and child count, "?" when it has no name, or "" when there is none.
TEST_F(HostileTreeTest, IdsAtTheEdgesOfThirtyTwoBits) {
    const std::pair<std::string, std::string> cases[] = {
        {"C 4294967297 0 0\nI 0 1 0 0 wrapped\n", "wrapped/0"},
        {"C 2147483647 0 0\nI 0 2147483647 0 0 max\nC 1 2147483647 0\n", "max/1"},
        {"C 1 0 0\nI 0 1 0 0 r\nP 2147483648 1 1\nN 0 2147483648 0 0 a\nV 0 2147483648 0 0 b\n", "r/0"},
        {"\0C 1 0 0\nC 1 0 0\n"s, "?/0"},
        {std::string(100000, '\n'), ""},
    };
    for (const auto& [text, root] : cases) {
        ASSERT_TRUE(Load(text)) << text.substr(0, 60);
        if (root.empty()) {
            EXPECT_FALSE(structure->GetRoot());
            continue;
        }
        const std::string name = Root().GetName().is_null() ? "?" : std::string(Root().GetName());
        EXPECT_EQ(root, name + "/" + std::to_string(Root().GetChildren().size())) << text.substr(0, 60);
        EXPECT_TRUE(Root().GetProperties().IsEmpty()) << text.substr(0, 60);
        EXPECT_EQ(1 + Root().GetChildren().size(), structure->GetNodesCreated()) << text.substr(0, 60);
    }
    ASSERT_TRUE(Load("C 1 0 0\nT 4294967295 neg\nP 1 1 4294967295\nN 0 1 0 0 a\nV 0 1 0 0 b\n"));
    EXPECT_EQ(du::Symbol("neg"), Root().GetProperties().Get(0).typeName);
}

TEST_F(HostileTreeTest, MillionPropertiesAndMillionTypesOnOneNode) {
    constexpr int kCount = 1000000;
    EdText text;
    text.Node(1, 0);
    for (int id = 1; id <= kCount; ++id) {
        const std::string n = std::to_string(id);
        text.Type(id, "t" + n).Prop(1, "p" + n, {n}, id);
    }
    ASSERT_TRUE(Load(text.Str()));
    EXPECT_EQ(static_cast<size_t>(kCount), structure->GetPropertyGroupsLoaded().size());
    ASSERT_EQ(static_cast<size_t>(kCount), Root().GetProperties().Size());
    EXPECT_EQ(du::Symbol("p1000000"), Root().GetProperties().Get(kCount - 1).name);
    EXPECT_EQ(du::Symbol("t1000000"), Root().GetProperties().Get(kCount - 1).typeName);
}

// --- Text in encodings that a J record can name, broken -----------------------------------------

// The JSON library refuses to write text that is not UTF-8.
bool IsUtf8(const std::string& text) {
    try {
        nlohmann::json(text).dump();
        return true;
    } catch (const nlohmann::json::type_error&) {
        return false;
    }
}

// Lead bytes without their trail, trail bytes without a lead, escape sequences cut short, halves of
// code units and surrogates, values beyond Unicode: broken in some encoding or other. Each goes into a
// node's name, a property's name and its value; each comes out unchanged or as UTF-8.
TEST_F(HostileTreeTest, BrokenTextStaysRawOrBecomesUtf8) {
    const std::vector<std::string> broken = {"\x81",         "a\xe3\x81",        "\x80\x80\x80\x80",
                                             "\x1b$B\xb0",   "\xd8\x41",         "+2D\xff-",
                                             "\xed\xa0\x80", "\xf4\x90\x80\x80", "\x84\x31\xa4"};
    for (const char* encoding : {"UTF-8", "UTF-16", "UTF-7", "Shift_JIS", "ISO-2022-JP", "GB18030",
                                 "no-such-encoding", "", "\xff\xfe"}) {
        EdText text;
        text.Line("J "s + encoding).Node(1, 0).Type(1, "t");
        for (size_t i = 0; i < broken.size(); ++i)
            text.Node(int(i) + 2, 1, broken[i]).Prop(int(i) + 2, "n" + broken[i], {broken[i]});
        ASSERT_TRUE(Load(text.Str())) << encoding;
        ASSERT_EQ(broken.size(), Root().GetChildren().size()) << encoding;
        for (size_t i = 0; i < broken.size(); ++i) {
            const kxk::ComponentNode& child = ChildNode(Root(), i);
            const std::string name = child.GetName();
            EXPECT_TRUE(name == broken[i] || IsUtf8(name)) << encoding << " text " << i;
            ASSERT_EQ(1u, child.GetProperties().Size()) << encoding << " text " << i;
            const std::string value = child.GetProperties().Get(0).value;
            EXPECT_TRUE(value == broken[i] || IsUtf8(value)) << encoding << " text " << i;
        }
    }
}

// --- Through ed-load ---------------------------------------------------------------------------

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// A million nested nodes in every format: the chain is built, printed and freed by ed-load, and each
// level costs the output a bounded number of bytes (the tree view stops indenting). The unoptimised
// sanitizer build spends about a quarter of a millisecond on each JSON object, so its JSON and glTF
// chains are shorter; a walk that recursed per level would exhaust its stack long before that depth
// all the same.
TEST(EdLoadHostileTest, MillionLevelChainPrintsInLinearSize) {
    TempFolder folder;
    for (const char* format : {"tree", "json", "summary", "gltf"}) {
        const bool json = std::string(format) == "json" || std::string(format) == "gltf";
        const int depth = json && kSanitized ? 100000 : 1000000;
        const std::string text = Chain(depth, [](const std::string& id, const std::string& up) {
            return "C " + id + " " + up + " 0\nI 0 " + id + " 0 0 n" + id + "\n";
        });
        const RunResult run = RunToFile(folder, format, folder.Write("chain.ed", text));
        std::error_code missing;
        const uintmax_t bytes = std::filesystem::file_size(folder.Path() + "/out." + format, missing);
        EXPECT_EQ(0, run.exitCode) << format << ": " << run.err;
        EXPECT_TRUE(bytes > 0 && bytes < static_cast<uintmax_t>(depth) * 400) << format << ": " << bytes;
    }
    EXPECT_NE(std::string::npos, ReadFile(folder.Path() + "/out.tree").find("[999999] + n1000000  [node]\n"));
    // The check follows the last chain on tables of its own, without recursion either.
    const RunResult check = RunToFile(folder, "summary", folder.Path() + "/chain.ed", {"--check"});
    EXPECT_EQ(0, check.exitCode) << check.err;
    EXPECT_NE(std::string::npos, check.err.find(": 0 errors, 0 warnings, 0 infos\n")) << check.err;
}

// A line of 256 MiB (4 MiB unless ED_HOSTILE_FULL=1) cut by a zero byte, under --check: the finding
// quotes a few bytes of it, not the line.
TEST(EdLoadHostileTest, CheckQuotesLittleOfAHugeLine) {
    TempFolder folder;
    const size_t size = FullSizes() ? size_t(256) << 20 : size_t(4) << 20;
    std::string text = "C 1 0 0\nI 0 1 0 0 ";
    text.append(size, 'x').append(1, '\0').append(size, 'y').append("\n");
    const RunResult check = RunToFile(folder, "summary", folder.Write("huge.ed", text), {"--check"});
    EXPECT_EQ(0, check.exitCode) << check.err.substr(0, 500);
    EXPECT_NE(std::string::npos, check.err.find("[nul-in-line]"));
    EXPECT_LT(check.err.size(), 1000u);
}

// Each odd file exits 0 or 1 in every format. Numbers the value formats do not expect (each on a child
// of its own, below a root placed and coloured by non-finite numbers) reach the host as they read, and
// every format must still print them, the JSON one as a document that parses. A file that opens but
// fails at the first read fails the load with the system's reason.
TEST(EdLoadHostileTest, OddFilesExitZeroOrOneInEveryFormat) {
    TempFolder folder;
    EdText odd;
    odd.Node(1, 0).Type(1, "t").Prop(1, "location", {"nan inf -inf 1e999 nan -1e999 inf"});
    odd.Prop(1, "color", {"nan inf -inf 0.5"});
    int id = 2;
    for (const std::string c :  // a property name, a blank and the value
         {"location nan inf -inf 1e999 nan -1e999 inf",
          "location 0x1p3 0x1.8p1 0xffp-2 0x1p1023 0 0 0x1p-149",
          "location 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17", "color nan inf -inf 0x1p3",
          "bbox nan -inf 0 inf nan 1e999 INCH", "bbox -1e999 0 0 1e38 1e38 1e38 INCH",
          "view nan 0 0 0 0 inf 0 0 0 0 -inf 0 0 0 0 nan v",
          "view inf 0 0 0 0 inf 0 0 0 0 inf 0 1e999 0x1p3 -inf 1 v", "view ",
          "renderenable 99999999999999999999", "__kx_shapesource_index 0x10",
          "__kx_modelviewstate 99999999999999999999 a b", "__kx_modellayergroup ", "document <!<!!>!><!"}) {
        odd.Node(id, 1, "odd").Prop(id, c.substr(0, c.find(' ')), {c.substr(c.find(' ') + 1)});
        ++id;
    }
    const std::string longName = std::string(FullSizes() ? 100000000 : 4 << 20, 'x');
    const std::pair<std::string, int> cases[] = {
        {folder.Path(), 1},
        {folder.Path() + "/missing.ed", 1},
        {folder.Write("empty.ed", ""), 0},
        {folder.Write("long.ed", "C 1 0 0\nI 0 1 0 0 " + longName), 0},  // no line feed
        {folder.Write("odd.ed", std::string("C 1 0 0\rI 0 1 0 0 a\0b\r\nC 2 1 0\n\0\0\n", 34)), 0},
        {folder.Write("two.ed", "C 1 0 0\nC 2 0 0\n"), 1},
        {folder.Write("enc.ed", "J no-such\nC 1 0 0\nI 0 1 0 0 \xff\xfe\n"), 0},
        {folder.Write("nonfinite.ed", odd.Str()), 0},
    };
    for (const auto& [path, exitCode] : cases)
        for (const std::string format : {"tree", "json", "summary", "html"}) {
            const RunResult run = RunToFile(folder, format, path);
            EXPECT_EQ(exitCode, run.exitCode) << path << " " << format << ": " << run.err;
            const bool parses =
                format != "json" || exitCode != 0 ||
                !nlohmann::json::parse(ReadFile(folder.Path() + "/out.json"), nullptr, false).is_discarded();
            EXPECT_TRUE(parses) << path;
        }
    if (access("/proc/self/mem", R_OK) == 0) {
        EXPECT_EQ("ed-load: cannot read \"/proc/self/mem\": Input/output error\n",
                  RunToFile(folder, "tree", "/proc/self/mem").err);
    }
}

}  // namespace
}  // namespace edtest
