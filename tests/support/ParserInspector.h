#pragma once

#include <string>

#include "du/EncodingConverter.h"
#include "du/FileReader.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "ed/reader/BlockLines.h"
#include "ed/reader/Parser.h"
#include "kxk/Structure.h"

namespace ed {

// How ParserInspector::Read hands out the lines: in blocks of this size, with the fields of their
// records scanned in the block or by the record handlers alone.
struct InspectedLines {
    size_t blockSize = 256 * 1024;
    bool scanRecords = true;
};

// Test access to an ed::Parser: ParseText runs the real Parse (build, then Clear) over a text served as
// an in-memory file; Read only reads the records into the tables, as the benchmarks and fuzzers need.
// Holds the structure that the parser fills; replace it with SetStructure before parsing again.
class ParserInspector {
  public:
    static constexpr const char* kDefaultFileName = "/memory/inspected.ed";

    explicit ParserInspector(Parser& parser) : m_parser(parser), m_structure(new kxk::Structure) {}

    const du::SmartPtr<kxk::Structure>& Structure() const { return m_structure; }
    void SetStructure(const du::SmartPtr<kxk::Structure>& structure) { m_structure = structure; }

    bool ParseText(const std::string& text, const std::string& fileName = kDefaultFileName) {
        du::FileReader::RegisterMemoryFile(fileName, text.data(), text.size());
        const bool ok = m_parser.Parse(du::Symbol(fileName), m_structure);
        du::FileReader::UnregisterMemoryFile(fileName);
        return ok;
    }
    bool ParseFile(const std::string& path) { return m_parser.Parse(du::Symbol(path), m_structure); }

    // Sets the parser up as Parse does and reads the lines of `text` as Parse does, stopping after a
    // line that fails, but neither builds nor clears (the parser's destructor releases the tables).
    void Read(const std::string& text, const std::string& fileName = kDefaultFileName,
              InspectedLines how = InspectedLines()) {
        m_parser.m_fileName = du::Symbol(fileName);
        m_parser.m_structure = m_structure;
        if (!m_parser.m_converter) m_parser.m_converter = m_parser.m_converters.Default();
        du::FileReader::RegisterMemoryFile(fileName, text.data(), text.size());
        du::SmartPtr<du::FileReader> reader(new du::FileReader);
        if (reader->Open(du::Symbol(fileName), 0, 8192)) {
            LoadOptions options;
            options.blockSize = how.blockSize;
            BlockLines lines(reader.get(), options, false, how.scanRecords, &ReadOnlyValueNames());
            m_parser.m_failed = false;
            m_parser.ReadBlocks(lines);
        }
        du::FileReader::UnregisterMemoryFile(fileName);
        // The line buffer is gone; keep no pointer into it.
        m_parser.m_line = m_parser.m_cursor = nullptr;
        m_parser.m_scan = nullptr;
    }
    // Builds the structure from what Read left in the tables, as Parse does after the last line.
    void Build() {
        m_parser.ReleaseIdTables();
        m_parser.BuildStructure();
    }
    void Clear() { m_parser.Clear(); }
    // Files larger than `bytes` are read on a second thread (0: every file).
    void SetReadAheadFrom(size_t bytes) { m_parser.m_options.readAheadFrom = bytes; }
    StructureNode* Root() const { return m_parser.m_root; }
    // The names whose values a load's block scan leaves for their handlers to keep plain.
    static const ReadOnlyNames& ReadOnlyValueNames() { return Parser::ReadOnlyValueNames(); }

  private:
    Parser& m_parser;
    du::SmartPtr<kxk::Structure> m_structure;
};

}  // namespace ed
