// The reader alone: every line dispatched to its record handler, the tables filled and then released,
// without a build. Finds faults in the scanners, the id tables, the caches and the converters. Reads
// each input twice, with the block scan in small blocks and with the handlers scanning every line,
// and stops when the two trees of records differ.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "FuzzInput.h"
#include "du/Symbol.h"
#include "ed/reader/Parser.h"
#include "support/ParserInspector.h"

namespace {

// The records reachable from the root, depth first, each once (a re-parented node can close a cycle),
// without recursion: inputs nest deeply.
std::string Tree(const ed::StructureNode* root) {
    std::string tree;
    std::vector<std::pair<const ed::StructureNode*, size_t>> stack;
    std::unordered_set<const ed::StructureNode*> seen;
    if (root) stack.emplace_back(root, 0);
    while (!stack.empty()) {
        const auto [node, depth] = stack.back();
        stack.pop_back();
        if (!seen.insert(node).second) continue;
        tree += std::to_string(depth) + " " + node->name.safe_c_str() + " " + node->link.safe_c_str() + "\n";
        for (const ed::PropertyInfo* p = node->firstProperty; p; p = p->next) {
            tree += " " + std::to_string(p->typeId) + " " + p->Name().safe_c_str();
            for (const du::Symbol& value : p->values) tree += std::string(" =") + value.safe_c_str();
            tree += "\n";
        }
        for (const ed::StructureNode* child = node->firstChild; child; child = child->nextSibling)
            stack.emplace_back(child, depth + 1);
    }
    return tree;
}

std::string ReadTree(const std::string& text, ed::InspectedLines how) {
    ed::Parser parser;
    ed::ParserInspector inspect(parser);
    inspect.Read(text, ed::ParserInspector::kDefaultFileName, how);
    std::string tree = Tree(inspect.Root());
    inspect.Clear();
    return tree;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    edfuzz::QuietTraces quiet;
    const std::string text(reinterpret_cast<const char*>(data), size);
    // Read serves the text as an in-memory file, as Parse would read it from disk.
    if (ReadTree(text, {64, true}) != ReadTree(text, {256 * 1024, false})) std::abort();
    // As a host does when a structure goes: texts nobody holds are freed now, not taken for leaks by
    // the fuzzer's per-input check (the table's slots hide their addresses).
    du::Symbol::Sweep();
    return 0;
}
