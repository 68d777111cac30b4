// Runs ed-load over every case of the rule files in this folder and checks its output. A rule file
// holds the cases of one rule family, each starting at a "# CASE" line that states the rule; the
// reader has no handler for '#', so the whole case is handed to ed-load as it stands. In a case,
// "# CHECK: text" must find text in a line of the tree output (standard output, then standard
// error) after the line the previous CHECK found, and "# CHECK-NOT: text" must find it nowhere
// between those two CHECK lines. "#P id node type name = value" stands for the P, N and V records of
// a property whose records are not what the case is about.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tools/EdLoadRunner.h"

namespace edtest {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool Starts(const std::string& line, const std::string& prefix) {
    return line.compare(0, prefix.size(), prefix) == 0;
}

std::string Records(const std::string& line) {
    if (!Starts(line, "#P ")) return line + "\n";
    std::istringstream fields(line.substr(3));
    std::string id, node, type, rest;
    fields >> id >> node >> type;
    std::getline(fields >> std::ws, rest);
    const size_t equals = rest.find(" = ");
    return "P " + id + " " + node + " " + type + "\nN 0 " + id + " 0 0 " + rest.substr(0, equals) + "\nV 0 " +
           id + " 0 0 " + rest.substr(equals + 3) + "\n";
}

// Checks one case's directives against ed-load's output; `rule` names the case in failures.
void CheckCase(const std::string& rule, const std::string& edText) {
    TempFolder folder;
    const RunResult run = RunEdLoad({"--plugin", PluginPath(), folder.Write("case.ed", edText)});
    const std::vector<std::string> output = Lines(run.out + "\n" + run.err);
    size_t next = 0;  // the first output line the next CHECK may match
    std::vector<std::string> forbidden;
    const auto findFrom = [&](size_t from, const std::string& text) {
        while (from < output.size() && output[from].find(text) == std::string::npos) ++from;
        return from;
    };
    const auto checkForbidden = [&](size_t end) {
        for (const std::string& text : forbidden)
            EXPECT_LE(end, findFrom(next, text)) << rule << "\n  CHECK-NOT: " << text;
        forbidden.clear();
    };
    for (const std::string& line : Lines(edText)) {
        if (Starts(line, "# CHECK-NOT: ")) forbidden.push_back(line.substr(13));
        if (!Starts(line, "# CHECK: ")) continue;
        const size_t found = findFrom(next, line.substr(9));
        if (found == output.size())
            return ADD_FAILURE() << rule << "\n  " << line << "\n  not found after line " << next << " of:\n"
                                 << run.out << run.err;
        checkForbidden(found);
        next = found + 1;
    }
    checkForbidden(output.size());
}

class RuleFileTest : public testing::TestWithParam<std::string> {};

TEST_P(RuleFileTest, EveryCaseHolds) {
    std::string rule, text;
    for (const std::string& line : Lines(ReadFile(std::string(ED_RULES) + "/" + GetParam()))) {
        if (Starts(line, "# CASE")) {
            if (!rule.empty()) CheckCase(rule, text);
            rule = line;
            text.clear();
        }
        text += Records(line);
    }
    if (!rule.empty()) CheckCase(rule, text);
}

std::vector<std::string> RuleFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(ED_RULES))
        if (entry.path().extension() == ".ed") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(Rules, RuleFileTest, testing::ValuesIn(RuleFiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return std::filesystem::path(info.param).stem().string();
                         });

}  // namespace
}  // namespace edtest
