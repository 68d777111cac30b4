// Files from other tools and other machines: every one of these must load or fail cleanly, in memory
// and time that grow with the file, and leave nothing behind.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "HostileLoad.h"
#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "kxk/StructureWalk.h"
#include "support/TempFolder.h"

namespace edtest {
namespace {

using namespace std::string_literals;

std::string Repeat(char c, size_t count) {
    return std::string(count, c);
}

// A chain root - n2 - ... - n<depth>, each line built by `line` from the id.
std::string Chain(int depth, const std::function<std::string(int)>& line) {
    std::string text = "C 1 0 0\nI 0 1 0 0 n1\n";
    text.reserve(static_cast<size_t>(depth) * 24);
    for (int id = 2; id <= depth; ++id) text += line(id);
    return text;
}

size_t Depth(const kxk::Structure& structure) {
    size_t deepest = 0;
    kxk::WalkStructure(structure, [&](const kxk::WalkStep& step) {
        deepest = std::max(deepest, step.depth);
        return true;
    });
    return deepest;
}

const kxk::ComponentNode& ChildNode(const kxk::ComponentNode& node, size_t i) {
    return static_cast<const kxk::ComponentNode&>(*node.GetChildren().at(i)->GetComponent());
}

using HostileTreeTest = HostileLoadTest;

// Deep and looping trees

// Every level is a copy of the level above, so a million copy nodes share one property chain.
TEST_F(HostileTreeTest, MillionLevelsOfCopiesShareOnePropertyChain) {
    constexpr int kDepth = 1000000;
    std::string text = Chain(kDepth, [](int id) {
        return "X " + std::to_string(id) + " " + std::to_string(id - 1) + " " + std::to_string(id - 1) + "\n";
    });
    text += "P 1 1 1\nN 0 1 0 0 Material\nV 0 1 0 0 Steel\n";
    ASSERT_TRUE(Load(text));
    EXPECT_EQ(static_cast<size_t>(kDepth), NodesCreated());
    EXPECT_EQ(static_cast<size_t>(kDepth - 1), Depth(*structure));
    const kxk::ComponentNode* node = &Root();
    while (!node->GetChildren().empty()) node = &ChildNode(*node, 0);
    EXPECT_EQ(du::Symbol("n1"), node->GetName());
    ASSERT_EQ(1u, node->GetProperties().Size());
    EXPECT_EQ(du::Symbol("Steel"), node->GetProperties().Get(0).value);
}

// The lookup cache lets a C or X record hang a node under itself or its own descendants; such a node is
// built once, and the structure is still a tree.
struct LoopCase {
    const char* name;
    std::function<std::string()> text;
    size_t nodes;  // components the build makes
    size_t depth;  // of the structure built
};

class HostileLoopTest : public HostileLoadTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(HostileLoopTest, LoopIsBuiltOnceAsATree) {
    ASSERT_TRUE(Load(GetParam().text()));
    EXPECT_EQ(GetParam().nodes, NodesCreated());
    EXPECT_EQ(GetParam().depth, Depth(*structure));
    EXPECT_EQ(GetParam().nodes > 0, static_cast<bool>(structure->GetRoot()));
}

std::string Ring(int size) {
    std::string text =
        Chain(size, [](int id) { return "C " + std::to_string(id) + " " + std::to_string(id - 1) + " 0\n"; });
    // The I record leaves node 1 in the cache, so the last C record finds the root itself and hangs
    // it under the last node of the chain.
    return text + "I 0 1 0 0 ring\nC 1 " + std::to_string(size) + " 0\n";
}

INSTANTIATE_TEST_SUITE_P(
    Loops, HostileLoopTest,
    ::testing::Values(
        LoopCase{"RootIsItsOwnChild", [] { return std::string("C 1 0 0\nC 1 1 0\n"); }, 1, 0},
        LoopCase{"RootUnderItsGrandchild",
                 [] { return std::string("C 1 0 0\nC 2 1 0\nC 3 2 0\nI 0 1 0 0 r\nC 1 3 0\n"); }, 3, 2},
        LoopCase{"RootCopiesItselfUnderItself",
                 [] { return std::string("C 1 0 0\nP 1 1 1\nN 0 1 0 0 a\nV 0 1 0 0 b\nX 1 1 1\n"); }, 1, 0},
        LoopCase{"TwoNodesAreEachOthersParentBesideTheTree",
                 [] { return std::string("C 1 0 0\nC 5 6 0\nC 6 5 0\n"); }, 1, 0},
        LoopCase{"CopiesOfEachOther",
                 [] { return std::string("C 1 0 0\nX 2 1 3\nX 3 1 2\nP 1 2 1\nN 0 1 0 0 a\nV 0 1 0 0 b\n"); },
                 3, 1},
        LoopCase{"RingOfHundredThousandNodes", [] { return Ring(100000); }, 100000, 99999}),
    [](const ::testing::TestParamInfo<LoopCase>& info) { return std::string(info.param.name); });

// Long lines

struct LineCase {
    const char* name;
    std::function<std::string(size_t)> text;  // a file with one line of about that many bytes
    size_t fullSize;                          // the size promised; the default run takes 16 MiB
    bool namesRoot;                           // the line is the root's name
};

class HostileLineTest : public HostileLoadTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(HostileLineTest, LongLineLoads) {
    const size_t size = FullSizes() ? GetParam().fullSize : size_t(16) << 20;
    ASSERT_TRUE(Load(GetParam().text(size)));
    if (!GetParam().namesRoot) return;
    ASSERT_TRUE(structure->GetRoot());
    EXPECT_EQ(size, Root().GetName().length());
}

constexpr size_t kMiB = size_t(1) << 20;
constexpr size_t kMB = 1000 * 1000;

INSTANTIATE_TEST_SUITE_P(
    Lines, HostileLineTest,
    ::testing::Values(
        LineCase{"NameLine", [](size_t n) { return "C 1 0 0\nI 0 1 0 0 " + Repeat('n', n) + "\n"; },
                 256 * kMiB, true},
        LineCase{"NameWithoutLineFeed", [](size_t n) { return "C 1 0 0\nI 0 1 0 0 " + Repeat('x', n); },
                 100 * kMB, true},
        LineCase{"DigitsWithoutLineFeed", [](size_t n) { return "C " + Repeat('9', n); }, 100 * kMB, false},
        LineCase{"BlanksBeforeTheText", [](size_t n) { return "C 1 0 0\nI 0 1 0 0" + Repeat(' ', n) + "\n"; },
                 256 * kMiB, false},
        LineCase{
            "ValueLine",
            [](size_t n) { return "C 1 0 0\nP 1 1 1\nN 0 1 0 0 note\nV 0 1 0 0 " + Repeat('v', n) + "\n"; },
            256 * kMiB, false},
        LineCase{"ZeroBytesWithoutLineFeed", [](size_t n) { return "C 1 0 0\n" + Repeat('\0', n); },
                 100 * kMB, false}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

// Ids and counts

struct IdCase {
    const char* name;
    const char* text;
    bool loads;
    std::function<void(const kxk::Structure&)> check;
};

class HostileIdTest : public HostileLoadTest, public ::testing::WithParamInterface<IdCase> {};

TEST_P(HostileIdTest, IdsWrapAsThirtyTwoBits) {
    EXPECT_EQ(GetParam().loads, Load(GetParam().text));
    GetParam().check(*structure);
}

void RootNamed(const kxk::Structure& structure, const char* name, size_t children) {
    ASSERT_TRUE(structure.GetRoot());
    EXPECT_EQ(du::Symbol(name), structure.GetRoot()->GetName());
    EXPECT_EQ(children, structure.GetRoot()->GetChildren().size());
}

INSTANTIATE_TEST_SUITE_P(
    Ids, HostileIdTest,
    ::testing::Values(
        // 4294967297 wraps to 1.
        IdCase{"ElevenDigitsWrap", "C 4294967297 0 0\nI 0 1 0 0 wrapped\n", true,
               [](const kxk::Structure& s) { RootNamed(s, "wrapped", 0); }},
        // 99999999999 wraps to 1215752191.
        IdCase{"WrappedIdNamesTheNode", "C 99999999999 0 0\nI 0 1215752191 0 0 big\n", true,
               [](const kxk::Structure& s) { RootNamed(s, "big", 0); }},
        IdCase{"LargestId", "C 2147483647 0 0\nI 0 2147483647 0 0 max\nC 1 2147483647 0\n", true,
               [](const kxk::Structure& s) { RootNamed(s, "max", 1); }},
        // 2147483648 wraps negative and names nothing.
        IdCase{"NegativeNodeIdIsIgnored", "C 1 0 0\nI 0 1 0 0 r\nC 2147483648 1 0\n", true,
               [](const kxk::Structure& s) { RootNamed(s, "r", 0); }},
        IdCase{"NegativeParentLeavesNodeUnplaced", "C 1 0 0\nI 0 1 0 0 r\nC 2 4294967295 0\n", true,
               [](const kxk::Structure& s) { RootNamed(s, "r", 0); }},
        IdCase{"WrappedSecondRootStopsTheParse", "C 1 0 0\nC 2 4294967296 0\n", false,
               [](const kxk::Structure& s) { EXPECT_FALSE(s.GetRoot()); }},
        IdCase{"NegativeTypeIdIsAType",
               "C 1 0 0\nT 4294967295 neg\nP 1 1 4294967295\nN 0 1 0 0 a\nV 0 1 0 0 b\n", true,
               [](const kxk::Structure& s) {
                   ASSERT_TRUE(s.GetRoot());
                   ASSERT_EQ(1u, s.GetRoot()->GetProperties().Size());
                   EXPECT_EQ(du::Symbol("neg"), s.GetRoot()->GetProperties().Get(0).typeName);
               }},
        IdCase{"NegativePropertyIdIsIgnored",
               "C 1 0 0\nP 2147483648 1 1\nN 0 2147483648 0 0 a\nV 0 2147483648 0 0 b\n", true,
               [](const kxk::Structure& s) { EXPECT_TRUE(s.GetRoot()->GetProperties().IsEmpty()); }}),
    [](const ::testing::TestParamInfo<IdCase>& info) { return std::string(info.param.name); });

TEST_F(HostileTreeTest, MillionPropertyTypesAreAllReported) {
    constexpr int kTypes = 1000000;
    std::string text = "C 1 0 0\n";
    text.reserve(static_cast<size_t>(kTypes) * 40);
    for (int id = 0; id < kTypes; ++id) text += "T " + std::to_string(id) + " t" + std::to_string(id) + "\n";
    text += "P 1 1 999999\nN 0 1 0 0 a\nV 0 1 0 0 b\n";
    ASSERT_TRUE(Load(text));
    EXPECT_EQ(static_cast<size_t>(kTypes), structure->GetPropertyGroupsLoaded().size());
    EXPECT_EQ(du::Symbol("t999999"), Root().GetProperties().Get(0).typeName);
}

TEST_F(HostileTreeTest, MillionPropertiesOnOneNode) {
    constexpr int kProperties = 1000000;
    std::string text = "C 1 0 0\nT 1 t\n";
    text.reserve(static_cast<size_t>(kProperties) * 60);
    for (int id = 1; id <= kProperties; ++id) {
        const std::string p = std::to_string(id);
        text += "P " + p + " 1 1\nN 0 " + p + " 0 0 p" + p + "\nV 0 " + p + " 0 0 " + p + "\n";
    }
    ASSERT_TRUE(Load(text));
    ASSERT_EQ(static_cast<size_t>(kProperties), Root().GetProperties().Size());
    EXPECT_EQ(du::Symbol("p1000000"), Root().GetProperties().Get(kProperties - 1).name);
}

// Numbers the value formats do not expect

struct NumberCase {
    const char* name;
    const char* property;
    const char* value;
};

class HostileNumberTest : public HostileLoadTest, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(HostileNumberTest, ValueOnRootAndChildLoads) {
    std::string text = "C 1 0 0\nC 2 1 0\nT 1 t\n";
    for (int node = 1; node <= 2; ++node) {
        const std::string p = std::to_string(node);
        text += "P " + p + " " + p + " 1\nN 0 " + p + " 0 0 " + GetParam().property + "\nV 0 " + p + " 0 0 " +
                GetParam().value + "\n";
    }
    ASSERT_TRUE(Load(text));
    EXPECT_EQ(2u, NodesCreated());
    EXPECT_EQ(1u, Root().GetChildren().size());
}

const char* const kSeventeenNumbers = "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17";

INSTANTIATE_TEST_SUITE_P(
    Numbers, HostileNumberTest,
    ::testing::Values(
        NumberCase{"LocationNan", "location", "nan nan nan nan nan nan nan"},
        NumberCase{"LocationInf", "location", "inf -inf inf 1e999 -1e999 inf inf"},
        NumberCase{"LocationHex", "location", "0x1p3 0x1.8p1 0xffp-2 0x1p1023 0 0 0x1p-149"},
        NumberCase{"LocationHuge", "location", "1e38 1e38 1e38 1e308 1e308 1e308 1e38"},
        NumberCase{"LocationSeventeen", "location", kSeventeenNumbers},
        NumberCase{"LocationEmpty", "location", ""}, NumberCase{"ColorNan", "color", "nan nan nan nan"},
        NumberCase{"ColorInf", "color", "inf 1e999 -inf 0x1p3"}, NumberCase{"ColorEmpty", "color", ""},
        NumberCase{"BBoxNan", "bbox", "nan nan nan inf inf inf INCH"},
        NumberCase{"BBoxHuge", "bbox", "-1e999 0 0 1e38 1e38 1e38 INCH"},
        NumberCase{"BBoxSeventeen", "bbox", kSeventeenNumbers},
        NumberCase{"ViewNan", "view", "nan nan nan nan nan nan nan nan nan nan nan nan nan nan nan nan v"},
        NumberCase{"ViewInf", "view", "inf 0 0 0 0 inf 0 0 0 0 inf 0 1e999 0x1p3 -inf 1 v"},
        NumberCase{"ViewZeros", "view", "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 v"},
        NumberCase{"ViewSeventeen", "view", kSeventeenNumbers}, NumberCase{"ViewEmpty", "view", ""},
        NumberCase{"RenderEnableHuge", "renderenable", "99999999999999999999"},
        NumberCase{"RenderEnableNan", "renderenable", "nan"},
        NumberCase{"IndexHuge", "__kx_shapesource_index", "99999999999999999999"},
        NumberCase{"IndexHex", "__kx_shapesource_index", "0x10"},
        NumberCase{"ViewStateHugeNumber", "__kx_modelviewstate", "99999999999999999999 a b"},
        NumberCase{"ViewStateEmpty", "__kx_modelexplodestate", ""},
        NumberCase{"LayerGroupEmpty", "__kx_modellayergroup", ""},
        NumberCase{"LengthUnitEmpty", "length_unit", ""},
        NumberCase{"DocumentMarkersOnly", "document", "<!<!!>!><!"}),
    [](const ::testing::TestParamInfo<NumberCase>& info) { return std::string(info.param.name); });

// Text in encodings that a J record can name, broken

bool IsUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > text.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80) return false;
        i += n;
    }
    return true;
}

// Lead bytes without their trail, trail bytes without a lead, escape sequences cut short, halves of
// code units and surrogates: broken in some encoding or other.
const std::vector<std::string> kBrokenTexts = {"\x81",
                                               "\x82\xa0\x81",
                                               "a\xe3\x81",
                                               "\xff\xfe\xfd",
                                               "\x80\x80\x80\x80",
                                               "\x1b$B\xb0",
                                               "\x1b$)C\x0e\xb0",
                                               "\xd8",
                                               "\xd8\x41",
                                               "\x8e",
                                               "\x8f\xa2",
                                               "+2D\xff-",
                                               "\xc3",
                                               "\xed\xa0\x80",
                                               "\xf4\x90\x80\x80",
                                               "\x84\x31\xa4",
                                               "\xa1",
                                               "\xfe\xff\xd8"};

class HostileEncodingTest : public HostileLoadTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(HostileEncodingTest, BrokenTextStaysRawOrBecomesUtf8) {
    std::string text = std::string("J ") + GetParam() + "\nC 1 0 0\nT 1 t\n";
    int id = 1;
    for (const std::string& broken : kBrokenTexts) {
        const std::string p = std::to_string(++id);
        text += "C " + p + " 1 0\nI 0 " + p + " 0 0 " + broken + "\nP " + p + " " + p + " 1\nN 0 " + p +
                " 0 0 n" + broken + "\nV 0 " + p + " 0 0 " + broken + "\n";
    }
    ASSERT_TRUE(Load(text));
    ASSERT_EQ(kBrokenTexts.size(), Root().GetChildren().size());
    for (size_t i = 0; i < kBrokenTexts.size(); ++i) {
        // A zero byte ends the line, so the raw text ends there too.
        const std::string raw = kBrokenTexts[i].c_str();
        const kxk::ComponentNode& child = ChildNode(Root(), i);
        const std::string name = child.GetName();
        EXPECT_TRUE(name == raw || IsUtf8(name)) << "text " << i;
        ASSERT_EQ(1u, child.GetProperties().Size()) << "text " << i;
        const std::string value = child.GetProperties().Get(0).value;
        EXPECT_TRUE(value == raw || IsUtf8(value)) << "text " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Encodings, HostileEncodingTest,
                         ::testing::Values("UTF-8", "UTF-16", "UTF-16LE", "UTF-16BE", "UTF-32", "UCS-2",
                                           "UTF-7", "Shift_JIS", "CP932", "EUC-JP", "ISO-2022-JP",
                                           "ISO-2022-KR", "GB18030", "GBK", "GB2312", "BIG5", "BIG5-HKSCS",
                                           "EUC-KR", "CP949", "EUC-TW", "JOHAB", "windows-1252", "ISO-8859-1",
                                           "KOI8-R", "TSCII", "no-such-encoding", "", "\xff\xfe"));

// Every name the system's converter lists, each with the broken texts in one node's name and value.
TEST_F(HostileTreeTest, EveryEncodingTheConverterKnows) {
    FILE* list = popen("iconv -l 2>/dev/null", "r");
    ASSERT_TRUE(list);
    std::string names;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, list)) > 0;) names.append(buffer, n);
    pclose(list);
    size_t tried = 0;
    for (size_t at = 0; at < names.size();) {
        const size_t end = names.find_first_of(", \n", at);
        std::string name = names.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? names.size() : end + 1;
        if (name.size() > 2 && name.compare(name.size() - 2, 2, "//") == 0) name.resize(name.size() - 2);
        if (name.empty()) continue;
        std::string text = "J " + name + "\nC 1 0 0\nT 1 t\n";
        for (size_t i = 0; i < kBrokenTexts.size(); ++i) {
            const std::string p = std::to_string(i + 1);
            text += "P " + p + " 1 1\nN 0 " + p + " 0 0 " + kBrokenTexts[i] + "\nV 0 " + p + " 0 0 " +
                    kBrokenTexts[i] + "\n";
        }
        text += "I 0 1 0 0 " + kBrokenTexts[0] + kBrokenTexts[5] + "\n";
        ASSERT_TRUE(Load(text)) << name;
        const auto& properties = Root().GetProperties().GetAll();
        ASSERT_EQ(kBrokenTexts.size(), properties.size()) << name;
        for (size_t i = 0; i < properties.size(); ++i) {
            const std::string value = properties[i].value;
            EXPECT_TRUE(value == kBrokenTexts[i] || IsUtf8(value)) << name << " text " << i;
        }
        ++tried;
    }
    if (tried == 0) GTEST_SKIP() << "no list of encodings";
}

// Odd bytes and odd files

struct OddCase {
    const char* name;
    std::string text;
    bool loads;
    std::function<void(const kxk::Structure&)> check;
};

void UnnamedRootAlone(const kxk::Structure& s) {
    ASSERT_TRUE(s.GetRoot());
    EXPECT_TRUE(s.GetRoot()->GetName().is_null());
    EXPECT_EQ(1u, s.GetNodesCreated());
}

class HostileBytesTest : public HostileLoadTest, public ::testing::WithParamInterface<OddCase> {};

TEST_P(HostileBytesTest, LoadsOrFailsAsTheLineRulesSay) {
    EXPECT_EQ(GetParam().loads, Load(GetParam().text));
    GetParam().check(*structure);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, HostileBytesTest,
    ::testing::Values(
        // A zero byte ends the line: the name stops there, and the rest of the line is not read.
        OddCase{"ZeroByteEndsTheName", "C 1 0 0\nI 0 1 0 0 ab\0cd\nC 2 1 0\n"s, true,
                [](const kxk::Structure& s) { RootNamed(s, "ab", 1); }},
        // The parent id is cut off by the zero byte, which makes this a second root.
        OddCase{"ZeroByteCutsTheParent", "C 1 0 0\nC 2\0 1 0\n"s, false,
                [](const kxk::Structure& s) { EXPECT_FALSE(s.GetRoot()); }},
        OddCase{"ZeroByteFirst", "\0C 1 0 0\nC 1 0 0\n"s, true, UnnamedRootAlone},
        // A carriage return is an ordinary byte: the whole file is one C record.
        OddCase{"CarriageReturnsOnly", "C 1 0 0\rI 0 1 0 0 Root\rC 2 1 0\r", true,
                [](const kxk::Structure& s) {
                    ASSERT_TRUE(s.GetRoot());
                    EXPECT_TRUE(s.GetRoot()->GetName().is_null());
                    EXPECT_EQ(1u, s.GetNodesCreated());
                }},
        OddCase{"CarriageReturnStaysInTheName", "C 1 0 0\r\nI 0 1 0 0 Root\r\n", true,
                [](const kxk::Structure& s) { RootNamed(s, "Root\r", 0); }},
        OddCase{"OnlyLineFeeds", std::string(100000, '\n'), true,
                [](const kxk::Structure& s) { EXPECT_FALSE(s.GetRoot()); }},
        OddCase{"HighBytesAsRecordLetters", "\xc3 1 0 0\n\x80\n\xff\xfe\nC 1 0 0\n", true, UnnamedRootAlone}),
    [](const ::testing::TestParamInfo<OddCase>& info) { return std::string(info.param.name); });

TEST_F(HostileTreeTest, FolderIsNotAFile) {
    TempFolder folder;
    EXPECT_FALSE(LoadFile(folder.Path()));
    EXPECT_FALSE(structure->GetRoot());
}

TEST_F(HostileTreeTest, UnreadableFileFailsOrLoadsWhatItReads) {
    TempFolder folder;
    const std::string path = folder.Write("locked.ed", "C 1 0 0\n");
    chmod(path.c_str(), 0);
    // Whoever may read every file (root) reads it; anyone else cannot open it.
    const bool readable = access(path.c_str(), R_OK) == 0;
    EXPECT_EQ(readable, LoadFile(path));
    EXPECT_EQ(readable, static_cast<bool>(structure->GetRoot()));
}

// A file that opens but fails at the first read ends like an empty file.
TEST_F(HostileTreeTest, ReadErrorEndsTheFile) {
    if (access("/proc/self/mem", R_OK) != 0) GTEST_SKIP() << "no /proc";
    EXPECT_TRUE(LoadFile("/proc/self/mem"));
    EXPECT_FALSE(structure->GetRoot());
}

}  // namespace
}  // namespace edtest
