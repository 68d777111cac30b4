#include "ed/reader/Parser.h"

#include <algorithm>
#include <memory>

#include "du/FileReader.h"
#include "ed/reader/BlockLines.h"
#include "ed/reader/ParserTracer.h"
#include "ed/reader/RecordCursor.h"
#include "kxk/MemoryPoolAllocated.h"
#include "kxk/Structure.h"

namespace ed {

Parser::Parser(const LoadOptions& options)
    : m_failed(false),
      m_redefinitionReported(false),
      m_line(nullptr),
      m_cursor(nullptr),
      m_scan(nullptr),
      m_scannedTextEnd(nullptr),
      m_root(nullptr),
      m_nodes("ed::StructureNode", kxk::GetBlockAllocator(), 512),
      m_properties("ed::PropertyInfo", kxk::GetBlockAllocator(), 2048),
      m_propertyTypes(100),
      m_converter(nullptr),
      m_options(options) {}

Parser::~Parser() {
    Clear();
}

bool Parser::Parse(const du::Symbol& fileName, const du::SmartPtr<kxk::Structure>& structure) {
    if (!fileName.has_text() || !structure) return false;
    m_failed = false;
    m_fileName = fileName;
    du::SmartPtr<du::FileReader> reader(new du::FileReader);
    if (!reader->Open(fileName, 0, 8192)) {
        m_failed = true;
        return false;
    }
    m_structure = structure;
    m_converter = m_converters.Default();
    // A large file is read on a second thread while this one handles the lines; the handlers and the
    // build run here, in file order, as for a small file. That thread is joined before the build.
    const bool large = reader->SizeHint() > m_options.readAheadFrom;
    if (large) du::Symbol::Reserve(reader->SizeHint() / std::max<size_t>(m_options.bytesPerNewText, 1));
    {
        BlockLines lines(reader.get(), m_options, large, true, &ReadOnlyValueNames());
        ReadBlocks(lines);
    }
    if (!m_failed) {
        ReleaseIdTables();
        BuildStructure();
    }
    Clear();
    return !m_failed;
}

void Parser::ReadBlocks(BlockLines& lines) {
    while (!m_failed && lines.NextBlock())
        HandleBlock(lines.Bytes(), lines.Ends(), RecordCursor(lines.Records()));
}

// A line is ended by a zero byte put into the first byte of the next one (a block has a spare byte
// after its last line), which is given back before the next line is handled. The loop's state stays
// in registers across the handlers' calls, which is why the record cursor is a local.
void Parser::HandleBlock(char* bytes, const std::vector<size_t>& ends, RecordCursor records) {
    char* line = bytes;
    for (size_t index = 0; index < ends.size() && !m_failed; ++index) {
        char* const next = bytes + ends[index];
        RecordScan* const scan = records.Take(index);
        // A line that its handler takes from its scan alone is only read: a store into it would move
        // its bytes from the reading thread's cache to this one's a line at a time.
        const bool terminated = !scan || !TakenFromScan(*scan, line[0]);
        const char saved = *next;
        if (terminated) *next = '\0';
        // Only the dispatch is guarded: a failure of one record ends the parse with a trace, while
        // failures of the reader or the build reach the caller.
        try {
            ParseLine(line, scan);
        } catch (...) {
            char* const end = m_scannedTextEnd ? m_scannedTextEnd : next;
            const char kept = *end;
            *end = '\0';
            kParserTracer("ed parser: Exception parsing line \"%s\"\n", line);
            *end = kept;
            m_failed = true;
        }
        if (terminated) *next = saved;
        line = next;
    }
}

// Whether the handler of a `letter` record reads its fields from `scan` alone (ScanNumbers,
// ScanTextRecord, ScanTextSymbol), never from its line.
bool Parser::TakenFromScan(const RecordScan& scan, char letter) {
    switch (letter) {
        case 'C':
        case 'P':
        case 'X':
            return true;
        case 'N':
            return !scan.highBytes;
        case 'I':
        case 'V':
            return !scan.highBytes && (scan.readOnlyValue || !scan.text.is_null());
        default:
            return false;
    }
}

void Parser::ParseLine(char* line, RecordScan* scan) {
    m_line = line;
    m_scan = scan;
    m_scannedTextEnd = nullptr;
    m_cursor = line + 1;
    m_failed = false;
    if (Handler handler = HandlerFor(line[0])) (this->*handler)();
}

Parser::Handler Parser::HandlerFor(char letter) {
    static const Handler kHandlers[] = {
        &Parser::AddMarkupMode,   // A
        nullptr,                  // B
        &Parser::AddNode,         // C
        &Parser::AddFileName,     // D
        &Parser::AddEDAbsPath,    // E
        &Parser::AddExtraInfo,    // F
        &Parser::AddGetFileASP,   // G
        &Parser::AddCharset,      // H
        &Parser::AddNodeName,     // I
        &Parser::AddEncoding,     // J
        &Parser::AddCheckout,     // K
        &Parser::AddBranchLink,   // L
        &Parser::AddMetaParam,    // M
        &Parser::AddPropName,     // N
        nullptr,                  // O
        &Parser::AddProp,         // P
        nullptr,                  // Q
        &Parser::AddReloadNewED,  // R
        &Parser::AddASTTable,     // S
        &Parser::AddPropType,     // T
        &Parser::AddURLAnchor,    // U
        &Parser::AddPropValue,    // V
        &Parser::AddWusQuery,     // W
        &Parser::AddXeroxCopy,    // X
    };
    // Bytes of 0x80 and above are negative here and fall outside the table like any other byte.
    const int index = static_cast<signed char>(letter) - 'A';
    if (index < 0 || index >= static_cast<int>(sizeof(kHandlers) / sizeof(kHandlers[0]))) return nullptr;
    return kHandlers[index];
}

void Parser::NotYetImplemented(const char* what) {
    kParserTracer("%s not yet implemented - %s\n", what, m_line);
}

}  // namespace ed
