#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "du/EncodingConverter.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "ed/reader/Converters.h"
#include "ed/reader/IdTable.h"
#include "ed/reader/LoadOptions.h"
#include "ed/reader/NameCache.h"
#include "ed/reader/PlainTexts.h"
#include "ed/reader/RecordScan.h"
#include "ed/reader/RecordTable.h"
#include "ed/reader/Records.h"
#include "ed/reader/ScanInt.h"

namespace kxk {
class Structure;
}  // namespace kxk

namespace ed {

class BlockLines;
class RecordCursor;

// Reads one ED file into node and property tables and builds a kxk::Structure from them.
// One parser serves one load on one thread; it owns its records, tables and converter and holds the
// structure only while Parse runs. Not thread-safe.
class Parser {
  public:
    explicit Parser(const LoadOptions& options = LoadOptions());
    ~Parser();
    // Not copyable: the record pools cannot be copied, and a memberwise copy would share records and
    // the converter with the original, so that both would destroy them.
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // Reads `fileName` into `structure`; false when the file cannot be opened, a line fails, a second
    // root appears or the build cannot place a node.
    bool Parse(const du::Symbol& fileName, const du::SmartPtr<kxk::Structure>& structure);

    // The name of the ED file given to Parse.
    const du::Symbol& GetFileName() const { return m_fileName; }
    // A file reference with "<!...!>" hidden segments: the file name keeps the hidden text and drops
    // the markers; the display name keeps only the visible text (EMPTY when there are no markers).
    static du::Symbol GetFileName(const du::Symbol& value);
    static du::Symbol GetDisplayName(const du::Symbol& value);

  private:
    friend class ParserInspector;
    using Handler = void (Parser::*)();

    // Driver and scanners. Scanners work in place on the current line buffer.
    // Handles the lines in order and stops after one that fails.
    void ReadBlocks(BlockLines& lines);
    void HandleBlock(char* bytes, const std::vector<size_t>& ends, RecordCursor records);
    // `scan` holds the line's fields when the block scan found them (RecordCursor::Take), else null.
    void ParseLine(char* line, RecordScan* scan);
    static bool TakenFromScan(const RecordScan& scan, char letter);
    int ScanInt();
    const char* ScanTail(bool convert);
    // ScanTail with the length of the text.
    std::string_view ScanText(bool convert);
    // The first three numbers of a C, P or X record. The scanned case, the common one, is inline: it
    // is a few loads, which a call's saving and restoring of registers for the other case would double.
    void ScanNumbers(int (&numbers)[3]) {
        if (!m_scan) return ScanNumbersInLine(numbers);
        for (int i = 0; i < 3; ++i) numbers[i] = m_scan->numbers[i];
    }
    void ScanNumbersInLine(int (&numbers)[3]);
    // The second number and the text of an I, N or V record (four numbers, then ScanText(true)), with
    // the text's du::Symbol::Hash. Inline for the scanned case as ScanNumbers.
    std::string_view ScanTextRecord(int& id, uint32_t& hash) {
        const RecordScan* scan = m_scan;
        if (!scan || scan->highBytes) return ScanTextRecordInLine(id, hash);
        id = scan->numbers[1];
        hash = scan->hash;
        m_scannedTextEnd = m_line + scan->textEnd;
        return ScannedText(*scan);
    }
    std::string_view ScanTextRecordInLine(int& id, uint32_t& hash);
    // The second number and the text of an I or V record, interned: the block's when it interned it.
    du::Symbol ScanTextSymbol(int& id) {
        RecordScan* scan = m_scan;
        if (!scan || scan->text.is_null()) return ScanTextSymbolInLine(id);
        id = scan->numbers[1];
        m_scannedTextEnd = m_line + scan->textEnd;
        return std::move(scan->text);
    }
    du::Symbol ScanTextSymbolInLine(int& id);
    // A scanned record's text, left in its line as it stands (HandleBlock).
    std::string_view ScannedText(const RecordScan& scan) const {
        return std::string_view(m_line + scan.textBegin, scan.textEnd - scan.textBegin);
    }
    // Ends the line at `end` and gives the text from `start`, converted when asked to.
    std::string_view TakeText(char* start, char* end, bool convert) {
        // The terminator also ends the line for every later scan of it.
        *end = '\0';
        m_cursor = end;
        if (convert && m_converter) return Converted(start, end);
        return std::string_view(start, static_cast<size_t>(end - start));
    }
    std::string_view Converted(char* start, char* end);
    const char* ScanName(bool convert);
    void NotYetImplemented(const char* what);

    // Tables. Lookups return null only for ids below 1.
    StructureNode* GetNodeFromId(int id, bool fresh) { return m_nodes.Get(id, fresh); }
    PropertyInfo* GetProperty(int id, bool fresh) { return m_properties.Get(id, fresh); }
    StructureNode* CreateNode(int id, int parentId);
    void AttachProperty(StructureNode* node, PropertyInfo* property);
    // Gives back the node and property tables once the last line is read, keeping their records.
    void ReleaseIdTables();
    void Clear();

    // Record handlers, one per record letter.
    void AddEncoding();
    void AddCharset();
    void AddNode();
    void AddNodeName();
    void AddBranchLink();
    void AddASTTable();
    void AddReloadNewED();
    void AddURLAnchor();
    void AddMarkupMode();
    void AddFileName();
    void AddEDAbsPath();
    void AddExtraInfo();
    void AddGetFileASP();
    void AddCheckout();
    void AddMetaParam();
    void AddWusQuery();
    void AddProp();
    void AddPropName();
    void AddPropValue();
    void AddReadOnlyValue(PropertyInfo* property);
    // The property id of a V record, which is looked up before the record's text is read.
    int ScanValueId();
    void AddPropType();
    void AddXeroxCopy();

    // Builder (ed/builder/): forwarders to its functions, which take the tables.
    void BuildStructure();
    // The spellings of the builder properties whose value the build only reads, for the block scan.
    static const ReadOnlyNames& ReadOnlyValueNames();
    // Whether the build only reads the first value of a property so named: it may be kept plain.
    static bool IsReadOnlyValueName(const PropertyNames& names);
    void XeroxCopyNodes();

    static Handler HandlerFor(char letter);
    du::Symbol ReRootLink(const du::Symbol& link) const;

    bool m_failed;
    bool m_redefinitionReported;
    char* m_line;
    char* m_cursor;
    RecordScan* m_scan;
    // Where the text scan would have ended the line, once the handler has taken its text from the
    // line's scan instead; a failure's trace shows the line up to there (HandleBlock).
    char* m_scannedTextEnd;
    std::string m_redirect;
    StructureNode* m_root;
    RecordTable<StructureNode> m_nodes;
    RecordTable<PropertyInfo> m_properties;
    PlainTexts m_plainTexts;  // the values that m_properties hold plain
    // Type names by id, inserted null by the build for a type no T record declared.
    IdTable<du::Symbol> m_propertyTypes;
    std::vector<StructureNode*> m_copyNodes;
    du::SmartPtr<kxk::Structure> m_structure;
    std::string m_convertBuffer;
    Converters m_converters;
    du::EncodingConverter* m_converter;  // one of m_converters', or null to leave text as it stands
    du::Symbol m_fileName;
    NameCache m_nameCache;
    LoadOptions m_options;
};

// Works on a local cursor: a member cursor would be stored back at every byte.
inline int Parser::ScanInt() {
    const char* p = m_cursor;
    const int value = ed::ScanInt(p);
    m_cursor += p - m_cursor;
    return value;
}

}  // namespace ed
