// The check held against the load over every committed fuzz seed, regression, example and rule file:
// the inputs the differential fuzzer starts from, so that a fault it found once stays found.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "CheckAgainstLoad.h"
#include "FuzzInput.h"

namespace {

TEST(CheckAgainstLoadTest, CommittedInputsAgree) {
    edfuzz::QuietTraces quiet;
    const std::string root = ED_SOURCE;
    size_t files = 0;
    for (const char* folder : {"/fuzz/seeds", "/fuzz/regressions", "/examples", "/tests/rules"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root + folder)) {
            if (entry.path().extension() != ".ed") continue;
            ++files;
            EXPECT_EQ(edfuzz::CheckAgainstLoad(entry.path().string()), "") << entry.path();
        }
    }
    EXPECT_GT(files, 50u);
}

}  // namespace
