// The glTF and GLB files that ed-load writes for the bundled examples pass the reference validator
// without errors or warnings. Needs Node.js and the validator that scripts/setup installs.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/EdLoadRunner.h"
#include "tools/GltfTestFiles.h"

namespace edtest {
namespace {

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
