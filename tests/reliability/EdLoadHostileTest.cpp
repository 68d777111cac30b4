// Hostile files through the command-line host and the plug-in: ed-load exits 0 or 1, never by a
// signal, and what it prints grows no faster than the file.
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "HostileLoad.h"
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

Output RunToFile(const TempFolder& folder, const std::string& format, const std::string& file) {
    const std::string out = folder.Path() + "/out." + format;
    RunResult run = RunEdLoad({"--quiet", "--format", format, "-o", out, file});
    struct stat info;
    const size_t bytes = stat(out.c_str(), &info) == 0 ? static_cast<size_t>(info.st_size) : 0;
    return Output{run.exitCode, bytes, run.err};
}

// A million nested nodes in every format: the chain is built, printed and freed by ed-load, and each
// level costs the output a bounded number of bytes (the tree view stops indenting).
class EdLoadChainTest : public ::testing::TestWithParam<const char*> {
  protected:
    static void SetUpTestSuite() {
        s_folder = new TempFolder;
        for (int depth : {kDepth, kSanitizedJsonDepth}) {
            std::string text = "C 1 0 0\nI 0 1 0 0 n1\n";
            text.reserve(static_cast<size_t>(depth) * 24);
            for (int id = 2; id <= depth; ++id)
                text += "C " + std::to_string(id) + " " + std::to_string(id - 1) + " 0\nI 0 " +
                        std::to_string(id) + " 0 0 n" + std::to_string(id) + "\n";
            s_folder->Write("chain" + std::to_string(depth) + ".ed", text);
        }
    }
    static void TearDownTestSuite() {
        delete s_folder;
        s_folder = nullptr;
    }

    static constexpr int kDepth = 1000000;
    // The unoptimised sanitizer build spends a tenth of a millisecond on each JSON object; a walk that
    // recursed per level would exhaust its stack long before this depth all the same.
    static constexpr int kSanitizedJsonDepth = 200000;
    static TempFolder* s_folder;
};

TempFolder* EdLoadChainTest::s_folder = nullptr;

bool Sanitized() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#else
    return false;
#endif
}

TEST_P(EdLoadChainTest, MillionLevelChainPrintsInLinearSize) {
    const std::string format = GetParam();
    const int depth = format == "json" && Sanitized() ? kSanitizedJsonDepth : kDepth;
    const Output run =
        RunToFile(*s_folder, format, s_folder->Path() + "/chain" + std::to_string(depth) + ".ed");
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_GT(run.bytes, 0u);
    EXPECT_LT(run.bytes, static_cast<size_t>(depth) * 400);
}

INSTANTIATE_TEST_SUITE_P(Formats, EdLoadChainTest, ::testing::Values("tree", "json", "summary"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param);
                         });

// Numbers that read as nan or inf reach the host as they read; every format must still print them,
// the JSON one as a document that parses.
TEST(EdLoadHostileTest, NonFiniteNumbersPrintInEveryFormat) {
    TempFolder folder;
    std::string text = "C 1 0 0\nC 2 1 0\nI 0 2 0 0 odd\nT 1 t\n";
    const std::vector<std::pair<std::string, std::string>> values = {
        {"location", "nan inf -inf 1e999 nan -1e999 inf"},
        {"color", "nan inf -inf 0.5"},
        {"bbox", "nan -inf 0 inf nan 1e999 INCH"},
        {"view", "nan 0 0 0 0 inf 0 0 0 0 -inf 0 0 0 0 nan v"},
        {"__kx_modelviewstate", "99999999999999999999 a b"}};
    int id = 0;
    for (const auto& value : values) {
        const std::string p = std::to_string(++id);
        text += "P " + p + " 2 1\nN 0 " + p + " 0 0 " + value.first + "\nV 0 " + p + " 0 0 " + value.second +
                "\n";
    }
    const std::string file = folder.Write("odd.ed", text);
    for (const char* format : {"tree", "summary"}) {
        const Output run = RunToFile(folder, format, file);
        EXPECT_EQ(0, run.exitCode) << format << ": " << run.err;
    }
    RunResult json = RunEdLoad({"--format", "json", file});
    EXPECT_EQ(0, json.exitCode) << json.err;
    EXPECT_FALSE(json.Json().is_discarded()) << json.out;
}

struct FileCase {
    const char* name;
    std::function<std::string(const TempFolder&)> make;  // the path to load
    int exitCode;
};

class EdLoadFileTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(EdLoadFileTest, ExitsCleanly) {
    TempFolder folder;
    const std::string path = GetParam().make(folder);
    for (const char* format : {"tree", "json", "summary"}) {
        const Output run = RunToFile(folder, format, path);
        EXPECT_EQ(GetParam().exitCode, run.exitCode) << format << ": " << run.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, EdLoadFileTest,
    ::testing::Values(
        FileCase{"Folder", [](const TempFolder& f) { return f.Path(); }, 1},
        FileCase{"Missing", [](const TempFolder& f) { return f.Path() + "/missing.ed"; }, 1},
        FileCase{"Empty", [](const TempFolder& f) { return f.Write("empty.ed", ""); }, 0},
        FileCase{"LongNameWithoutLineFeed",
                 [](const TempFolder& f) {
                     return f.Write("long.ed", "C 1 0 0\nI 0 1 0 0 " +
                                                   std::string(FullSizes() ? 100000000 : 4 << 20, 'x'));
                 },
                 0},
        FileCase{"ZeroBytesAndCarriageReturns",
                 [](const TempFolder& f) {
                     return f.Write("odd.ed", std::string("C 1 0 0\rI 0 1 0 0 a\0b\r\nC 2 1 0\n\0\0\n", 34));
                 },
                 0},
        FileCase{"SecondRoot", [](const TempFolder& f) { return f.Write("two.ed", "C 1 0 0\nC 2 0 0\n"); },
                 1},
        FileCase{
            "UnknownEncoding",
            [](const TempFolder& f) { return f.Write("enc.ed", "J no-such\nC 1 0 0\nI 0 1 0 0 \xff\xfe\n"); },
            0}),
    [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace edtest
