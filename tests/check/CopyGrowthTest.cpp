// The check's count of what copies of copies give the nodes, which it makes without building them.

#include <gtest/gtest.h>

#include <string>

#include "ed/check/CheckFile.h"
#include "support/TempFolder.h"

namespace edtest {
namespace {

constexpr int kCopies = 3000;

std::string Property(int id, int node, const std::string& name) {
    const std::string p = std::to_string(id);
    return "P " + p + " " + std::to_string(node) + " 1\nN 0 " + p + " 0 0 " + name + "\nV 0 " + p +
           " 0 0 v\n";
}

// The root has one property; node k copies node k - 1 and has one property of its own, named
// `name` or after itself. Backwards, the copies are listed last first.
std::string Chain(const std::string& name, bool backwards) {
    std::string text = "C 1 0 0\n" + Property(1, 1, name.empty() ? "p1" : name);
    for (int i = 0; i < kCopies; ++i) {
        const int node = backwards ? kCopies + 1 - i : i + 2;
        text += "X " + std::to_string(node) + " 1 " + std::to_string(node - 1) + "\n";
        text += Property(node, node, name.empty() ? "p" + std::to_string(node) : name);
    }
    return text;
}

// What the warning says the nodes get; empty when there is no warning.
std::string Counted(const std::string& text) {
    TempFolder folder;
    const auto report = ed::check::CheckFile(folder.Write("f.ed", text));
    for (const auto& entry : report.Kept()) {
        const std::string& message = entry.diagnostic.message;
        if (std::string(entry.diagnostic.code) != "copies-multiply-properties") continue;
        const size_t start = message.find("give the nodes ") + 15;
        return message.substr(start, message.find(' ', start) - start);
    }
    return "";
}

TEST(CopyGrowthTest, CountsWhatTheCopyStepWillGiveTheNodes) {
    const long chain = long(kCopies + 1) * (kCopies + 2) / 2;  // node k ends with k properties
    // A copy without properties of the last node, listed just before it: its lookup made the record that
    // the last X record then takes, so it shares a chain that grows after it shares it.
    std::string sharing = Chain("", false);
    const std::string last = "X " + std::to_string(kCopies + 1) + " 1 " + std::to_string(kCopies) + "\n";
    sharing.insert(sharing.find(last), "X 99999 1 " + std::to_string(kCopies + 1) + "\n");
    struct Case {
        const char* what;
        std::string text;
        std::string counted;
    };
    const Case cases[] = {
        {"a chain of copies, each adding a property", Chain("", false), std::to_string(chain)},
        {"each copy has the key it copies: its own hides the source's", Chain("p", false), ""},
        {"listed last first, each copy sees its source before that one copies", Chain("", true), ""},
        {"a shared chain is the source's as it grows", sharing, std::to_string(chain + kCopies + 1)},
    };
    for (const Case& c : cases) EXPECT_EQ(c.counted, Counted(c.text)) << c.what;
}

}  // namespace
}  // namespace edtest
