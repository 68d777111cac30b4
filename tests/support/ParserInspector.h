#pragma once

#include <string>
#include <utility>
#include <vector>

#include "du/EncodingConverter.h"
#include "du/FileReader.h"
#include "du/LineReader.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "ed/reader/Parser.h"
#include "kxk/Structure.h"

namespace ed {

// Test access to an ed::Parser: runs it over ED texts and looks at its tables without going through
// the lookups (so the one-entry caches stay as the records left them).
//
//   ed::Parser parser;
//   ed::ParserInspector inspect(parser);
//   inspect.Read("C 1 0 0\nI 0 1 0 0 Root\n");     // records only: no build, no Clear
//   EXPECT_EQ("Root", inspect.Root()->name);
//   EXPECT_TRUE(inspect.ParseText("C 1 0 0\n"));  // the real Parse: build, then Clear
//
// Texts are served as in-memory files, so nothing touches the disk. Holds the structure that the
// parser fills; replace it with SetStructure before parsing to give it a file source.
class ParserInspector {
  public:
    static constexpr const char* kDefaultFileName = "/memory/inspected.ed";

    explicit ParserInspector(Parser& parser) : m_parser(parser), m_structure(new kxk::Structure) {}

    const du::SmartPtr<kxk::Structure>& Structure() const { return m_structure; }
    void SetStructure(const du::SmartPtr<kxk::Structure>& structure) { m_structure = structure; }

    // Parser::Parse over `text`, served under `fileName`.
    bool ParseText(const std::string& text, const std::string& fileName = kDefaultFileName) {
        du::FileReader::RegisterMemoryFile(fileName, text.data(), text.size());
        const bool ok = m_parser.Parse(du::Symbol(fileName), m_structure);
        du::FileReader::UnregisterMemoryFile(fileName);
        return ok;
    }
    // Parser::Parse over a real file.
    bool ParseFile(const std::string& path) { return m_parser.Parse(du::Symbol(path), m_structure); }

    // Sets the parser up as Parse does and dispatches the lines of `text` as Parse does, stopping
    // after a line that sets the stop flag, but neither builds nor clears, so the tables stay for
    // inspection (the parser's destructor releases them). Exceptions are not caught.
    void Read(const std::string& text, const std::string& fileName = kDefaultFileName) {
        m_parser.m_fileName = du::Symbol(fileName);
        m_parser.m_structure = m_structure;
        if (!m_parser.m_converter) m_parser.m_converter.reset(new du::EncodingConverter);
        du::FileReader::RegisterMemoryFile(fileName, text.data(), text.size());
        du::SmartPtr<du::FileReader> reader(new du::FileReader);
        if (reader->Open(du::Symbol(fileName), 0, 8192)) {
            du::LineReader lines(reader.get(), 0);
            m_parser.m_failed = false;
            while (!m_parser.m_failed && lines.ReadLine()) m_parser.ParseLine(lines.GetBuffer());
        }
        du::FileReader::UnregisterMemoryFile(fileName);
        // The line buffer is gone; keep no pointer into it.
        m_parser.m_line = m_parser.m_cursor = nullptr;
    }
    // The build step alone, after Read.
    void Build() { m_parser.BuildStructure(); }
    void Clear() { m_parser.Clear(); }

    // Parser state.
    bool Failed() const { return m_parser.m_failed; }
    const std::string& Redirect() const { return m_parser.m_redirect; }
    const du::EncodingConverter* Converter() const { return m_parser.m_converter.get(); }
    bool HoldsStructure() const { return static_cast<bool>(m_parser.m_structure); }
    const du::Symbol& FileName() const { return m_parser.GetFileName(); }
    StructureNode* Root() const { return m_parser.m_root; }

    // Records by id as the tables hold them now; null when absent. Leaves the caches alone.
    StructureNode* Node(int id) const { return const_cast<StructureNode*>(m_parser.m_nodes.Find(id)); }
    PropertyInfo* Property(int id) const { return const_cast<PropertyInfo*>(m_parser.m_properties.Find(id)); }
    // Property type ids and names in the table's chain order (the order the build reports them in).
    std::vector<std::pair<int, du::Symbol>> PropertyTypes() const {
        std::vector<std::pair<int, du::Symbol>> types;
        m_parser.m_propertyTypes.ForEach(
            [&](int id, const du::Symbol& name) { types.emplace_back(id, name); });
        return types;
    }
    size_t NodeCount() const { return m_parser.m_nodes.Size(); }
    size_t PropertyCount() const { return m_parser.m_properties.Size(); }

    static std::vector<PropertyInfo*> Properties(const StructureNode* node) {
        std::vector<PropertyInfo*> properties;
        for (PropertyInfo* p = node->firstProperty; p != nullptr; p = p->next) properties.push_back(p);
        return properties;
    }

    // The subtree under `node` by names, "Root(A,B(C))"; "?" for a node without a name. Stops at depth
    // `depth`, since the cache rule can make a node its own ancestor.
    static std::string Dump(const StructureNode* node, int depth = 16) {
        if (node == nullptr) return "null";
        std::string text = node->name.is_null() ? "?" : node->name.c_str();
        if (node->firstChild == nullptr) return text;
        if (depth == 0) return text + "(...)";
        const char* separator = "(";
        for (const StructureNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
            text += separator + Dump(child, depth - 1);
            separator = ",";
        }
        return text + ")";
    }

    // Parser operations, called directly (these do go through the caches).
    PropertyInfo* GetProperty(int id, bool fresh) { return m_parser.GetProperty(id, fresh); }

    // Scanners over a caller's writable buffer, as if it were the current line after its letter.
    void SetCursor(char* cursor) { m_parser.m_cursor = cursor; }
    const char* Cursor() const { return m_parser.m_cursor; }
    int ScanInt() { return m_parser.ScanInt(); }
    const char* ScanTail(bool convert) { return m_parser.ScanTail(convert); }

  private:
    Parser& m_parser;
    du::SmartPtr<kxk::Structure> m_structure;
};

}  // namespace ed
