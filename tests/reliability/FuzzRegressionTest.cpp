// Every input that once made a fuzz target fail, replayed through the reader alone and through the
// whole load; each must finish and leave nothing behind.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "HostileLoad.h"
#include "support/ParserInspector.h"

namespace edtest {
namespace {

std::vector<std::string> RegressionFiles() {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(ED_FUZZ_REGRESSIONS, error))
        if (entry.is_regular_file() && entry.path().extension() != ".md")
            files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
}

std::string Contents(const std::string& name) {
    std::ifstream in(std::string(ED_FUZZ_REGRESSIONS) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class FuzzRegressionTest : public HostileLoadTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(FuzzRegressionTest, ReaderAndLoadFinish) {
    const std::string bytes = Contents(GetParam());
    {
        ed::Parser parser;
        ed::ParserInspector inspect(parser);
        inspect.Read(bytes);
        inspect.Clear();
    }
    Load(bytes);
}

INSTANTIATE_TEST_SUITE_P(Regressions, FuzzRegressionTest, ::testing::ValuesIn(RegressionFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name;
                             for (char c : info.param)
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FuzzRegressionTest);

}  // namespace
}  // namespace edtest
