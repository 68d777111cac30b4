// Hostile files through the command-line host and the plug-in: ed-load exits 0 or 1, never by a
// signal, and what it prints grows no faster than the file.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "HostileLoad.h"
#include "support/EdText.h"
#include "support/TempFolder.h"
#include "tools/EdLoadRunner.h"

namespace edtest {
namespace {

// The output of one run, to a file, so that only its size is held.
struct Output {
    int exitCode;
    size_t bytes;
    std::string err;
};

Output RunToFile(const TempFolder& folder, const std::string& format, const std::string& file,
                 const std::vector<std::string>& options = {}) {
    const std::string out = folder.Path() + "/out." + format;
    std::vector<std::string> args = options;
    args.insert(args.end(), {"--quiet", "--format", format, "-o", out, file});
    const RunResult run = RunEdLoad(args);
    struct stat info;
    return Output{run.exitCode, stat(out.c_str(), &info) == 0 ? size_t(info.st_size) : 0, run.err};
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// A million nested nodes in every format: the chain is built, printed and freed by ed-load, and each
// level costs the output a bounded number of bytes (the tree view stops indenting). The unoptimised
// sanitizer build spends a tenth of a millisecond on each JSON object, so its JSON and glTF chains are
// shorter; a walk that recursed per level would exhaust its stack long before that depth all the same.
TEST(EdLoadHostileTest, MillionLevelChainPrintsInLinearSize) {
    TempFolder folder;
    for (const char* format : {"tree", "json", "summary", "gltf"}) {
        const bool json = std::string(format) == "json" || std::string(format) == "gltf";
        const int depth = json && kSanitized ? 200000 : 1000000;
        const std::string text = Chain(depth, [](const std::string& id, const std::string& up) {
            return "C " + id + " " + up + " 0\nI 0 " + id + " 0 0 n" + id + "\n";
        });
        const Output run = RunToFile(folder, format, folder.Write("chain.ed", text));
        EXPECT_EQ(0, run.exitCode) << format << ": " << run.err;
        EXPECT_GT(run.bytes, 0u) << format;
        EXPECT_LT(run.bytes, static_cast<size_t>(depth) * 400) << format;
    }
    EXPECT_NE(std::string::npos, ReadFile(folder.Path() + "/out.tree").find("[999999] + n1000000  [node]\n"));
    // The check follows the last chain on tables of its own, without recursion either.
    const Output check = RunToFile(folder, "summary", folder.Path() + "/chain.ed", {"--check"});
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
    const Output check = RunToFile(folder, "summary", folder.Write("huge.ed", text), {"--check"});
    EXPECT_EQ(0, check.exitCode) << check.err.substr(0, 500);
    EXPECT_NE(std::string::npos, check.err.find("[nul-in-line]"));
    EXPECT_LT(check.err.size(), 1000u);
}

// Each odd file exits 0 or 1 in every format. Numbers the value formats do not expect (each on a child
// of its own, below a root placed and coloured by non-finite numbers) reach the host as they read, and
// every format must still print them, the JSON one as a document that parses. A file that opens but
// fails at the first read ends like an empty one.
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
        {access("/proc/self/mem", R_OK) == 0 ? "/proc/self/mem" : folder.Write("unread.ed", ""), 0},
    };
    for (const auto& [path, exitCode] : cases)
        for (const std::string format : {"tree", "json", "summary", "html"}) {
            const Output run = RunToFile(folder, format, path);
            EXPECT_EQ(exitCode, run.exitCode) << path << " " << format << ": " << run.err;
            const bool parses =
                format != "json" || exitCode != 0 ||
                !nlohmann::json::parse(ReadFile(folder.Path() + "/out.json"), nullptr, false).is_discarded();
            EXPECT_TRUE(parses) << path;
        }
}

}  // namespace
}  // namespace edtest
