// The file check: each finding on the line the loader treats that way, for small ED texts.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <cerrno>

#include "du/Env.h"
#include "ed/check/CheckFile.h"
#include "support/EdText.h"
#include "support/TempFolder.h"

namespace edtest {
namespace {

using ed::check::DiagnosticReport;

DiagnosticReport Check(const std::string& text) {
    TempFolder folder;
    return ed::check::CheckFile(folder.Write("f.ed", text));
}

// The kept findings as "LINE code", in file order.
std::vector<std::string> Codes(const DiagnosticReport& report) {
    std::vector<std::string> codes;
    for (const auto& entry : report.Kept())
        codes.push_back(std::to_string(entry.diagnostic.line) + " " + entry.diagnostic.code);
    return codes;
}

std::string Builder() {
    EdText text;
    text.Node(1, 0, "Root").Node(2, 1).Node(3, 1).Type(1, "t");
    text.Prop(2, "color", {"1 0"}).Prop(2, "length_unit", {"mm"}).Prop(2, "ShapeSource", {"a.shp"});
    text.Prop(2, "bbox", {"0 0 0 1 1 1 MM"}).Prop(2, "kxCid", {"A"}).Prop(3, "kxCid", {"A"});
    return text.Str();
}

struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> expected;
};

TEST(CheckFileTest, EachCaseGivesItsFindingsOnTheirLines) {
    const Case cases[] = {
        {"byte-order mark",
         "\xEF\xBB\xBF"
         "C 1 0 0\nC 2 1 0\n",
         {"1 byte-order-mark", "1 no-root"}},
        {"no record", "hello world\n", {"1 unknown-record", "1 no-records"}},
        {"CRLF",
         "C 1 0 0\r\nP 1 1 1\r\nN 0 1 0 0 color\r\nT 1 t\r\n",
         {"1 crlf-line-ending", "3 name-ends-in-cr"}},
        {"ids",
         "C 1 0 0\nC 2 1 0\nI 0 -2 0 0 X\nI 0 4294967298 0 0 X\nI 0 2abc 0 0 X\nC 2147483648 1 0\nI 0 0 0 0 "
         "X\n",
         {"3 id-sign-ignored", "4 id-wraps", "5 id-trailing-text", "6 id-wraps", "7 id-ignored"}},
        {"letters",
         "C 1 0 0\n#C 2 1 0\nB x\nK x\nR other.ed\n",
         {"2 unknown-record", "3 ignored-record", "4 reported-only-record", "5 reported-only-record"}},
        {"second root", "C 1 0 0\nC 2 0 0\nC 3 1 0\n", {"2 second-root", "3 parse-stopped"}},
        {"links", "C 1 0 0\nC 2 1 0\nC 3 2 0\nL 0 2 0 0 a.ed\n", {"4 link-hides-children"}},
        {"root link", "C 1 0 0\nC 2 1 0\nL 0 1 0 0 a.ed\n", {"3 root-is-link"}},
        {"redeclared",
         "C 1 0 0\nC 3 1 0\nC 2 1 0\nC 2 1 0\nI 0 2 0 0 x\nC 2 3 0\n",
         {"4 node-redeclared", "6 node-redeclared"}},
        // Node 7 hangs under the first record of node 3, which the C record of line 4 replaces.
        {"displaced parent", "C 1 0 0\nC 7 3 0\nC 9 1 0\nC 3 1 0\n", {"2 parent-undefined"}},
        {"wrapped parent", "C 1 0 0\nC 5 4294967295 0\n", {"2 id-wraps", "2 unreachable-node"}},
        {"cycles", "C 1 0 0\nC 2 1 0\nC 1 2 0\nC 5 6 0\nC 6 5 0\n", {"3 parent-cycle", "5 parent-cycle"}},
        {"undeclared nodes",
         "C 1 0 0\nI 0 9 0 0 x\nT 1 t\nP 1 8 1\n",
         {"2 name-on-undefined-node", "4 property-on-undefined-node"}},
        {"properties",
         "C 1 0 0\nC 2 1 0\nT 1 t\nN 0 5 0 0 x\nP 6 1 1\nP 5 1 1\nP 5 2 1\nP 7 1 1\nV 0 7 0 0 v\nP 8 1 9\n",
         {"4 property-never-attached", "7 property-redefined", "8 value-without-property",
          "10 property-type-undefined"}},
        // The source of node 3 is the record that line 3 made; line 5 makes a fresh node 9.
        {"copies",
         "C 1 0 0\nX 2 1 0\nX 3 1 9\nC 4 1 0\nC 9 1 0\n",
         {"2 copy-source-undefined", "3 copy-source-undefined"}},
        {"encodings",
         "J nope\nC 1 0 0\nI 0 1 0 0 \xff\nJ windows-1252\nI 0 1 0 0 \x81\nI 0 1 0 0 a" +
             std::string(1, '\0') + "b\n",
         {"1 unknown-encoding", "3 text-not-in-encoding", "5 text-not-in-encoding", "6 nul-in-line"}},
        // Node 3 reaches the chain of node 9, which is never built, only through the copy.
        {"builder scan",
         "C 1 0 0\nC 2 1 0\nT 1 t\nP 5 2 1\nN 0 5 0 0 color\nV 0 5 0 0 1\nP 6 2 1\nN 0 6 0 0 color\n"
         "V 0 6 0 0 1 0 0\nP 7 2 1\nN 0 7 0 0 COLOR\nV 0 7 0 0 0 1 0\nC 9 8 0\nP 8 9 1\n"
         "N 0 8 0 0 location\nV 0 8 0 0 x\nX 3 1 9\n",
         {"6 builder-value-retried", "10 builder-property-repeated", "13 parent-undefined",
          "16 builder-value-rejected"}},
        {"builder values",
         Builder(),
         {"4 duplicate-component-id", "8 builder-value-rejected", "11 unknown-length-unit",
          "13 builder-name-case", "17 bbox-unit-word"}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, Codes(Check(c.text))) << c.what;
}

TEST(CheckFileTest, MessagesSayWhatTheLoaderDoesWithTheLine) {
    const DiagnosticReport report = Check("C 1 0 0\nC 2 1 0\nI 0 2 0 0 Two\nI 0 4294967298 0 0 X\n");
    ASSERT_EQ(1u, report.Kept().size());
    EXPECT_EQ("node id \"4294967298\" wraps to 2 (ids are read modulo 2^32) and renames node 2 (\"Two\")",
              report.Kept()[0].diagnostic.message);
    EXPECT_EQ(5u, report.Kept()[0].diagnostic.column);
}

// Past the first ten thousand, only the first twenty of each code are kept; all are counted.
TEST(CheckFileTest, KeepsTheFirstFindingsAndTwentyOfEachLaterCode) {
    std::string text = "C 1 0 0\n";
    for (int i = 0; i < 10010; ++i) text += "K\n";
    for (int i = 0; i < 30; ++i) text += "c\n";
    const DiagnosticReport report = Check(text);
    EXPECT_EQ(10010u, report.CountOf("reported-only-record"));
    EXPECT_EQ(30u, report.CountOf("unknown-record"));
    EXPECT_TRUE(report.Truncated());
    EXPECT_EQ(10020u, report.Kept().size());
}

// A read that fails after the first line: the check says so, instead of judging a file cut short.
class FailingSecondRead : public du::Env {
    long Read(int descriptor, char* buffer, size_t size) noexcept override {
        if (++m_reads == 1) return Env::Read(descriptor, buffer, size < 8 ? size : 8);
        errno = EIO;
        return -1;
    }
    int m_reads = 0;
};

TEST(CheckFileTest, AReadErrorIsAnErrorWhereItStruck) {
    FailingSecondRead env;
    du::Env::Set(&env);
    const DiagnosticReport report = Check("C 1 0 0\nI 0 1 0 0 Root\n");
    du::Env::Set(nullptr);
    EXPECT_EQ(std::vector<std::string>{"2 read-error"}, Codes(report));
    EXPECT_NE(std::string::npos, report.Kept()[0].diagnostic.message.find("Input/output error"));
}

}  // namespace
}  // namespace edtest
