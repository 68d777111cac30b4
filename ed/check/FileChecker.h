#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "du/EncodingConverter.h"
#include "du/FileReader.h"
#include "ed/check/BuildOutline.h"
#include "ed/check/CheckTables.h"
#include "ed/check/DiagnosticReport.h"
#include "ed/check/FieldScan.h"

namespace ed::check {

// One check of one file: follows the reader line by line on tables of its own that mirror the
// reader's (same lookups, same cache, same displaced records), then follows the copy step and the
// build walk over them. Members are split by concern over the files of this folder. One thread.
class FileChecker {
  public:
    // `fileSize` (0 when unknown) bounds the memory the id tables may reserve.
    explicit FileChecker(size_t fileSize);
    // `outline`, when not null, receives what the check expects the load to build.
    void SetOutline(BuildOutline* outline) { m_outline = outline; }
    void Run(du::FileReader& reader);
    DiagnosticReport TakeReport();

  private:
    // Driver and line syntax (FileChecker.cpp).
    void CheckLine(char* line, size_t length);
    void CheckLetter(char letter, FieldScan& scan);
    void CheckUnknownLetter(const char* line);
    void CheckNoLongerRead(uint64_t lastLine);
    void Report(const char* code, Severity severity, uint32_t column, std::string message);
    void ReportAt(uint64_t line, char record, const char* code, Severity severity, std::string message);

    // Records (RecordChecks.cpp).
    void CheckNode(FieldScan& scan);
    void CheckCopy(FieldScan& scan);
    uint32_t CreateNode(const IdField& id, const IdField& parent);
    void CheckNodeName(FieldScan& scan);
    void CheckLink(FieldScan& scan);
    void CheckProperty(FieldScan& scan);
    void CheckPropertyName(FieldScan& scan);
    void CheckPropertyValue(FieldScan& scan);
    void CheckPropertyType(FieldScan& scan);
    // Wraps, signs and glued letters of one id field; `effect` tells what the record does with the
    // id as read. False when the id is below 1 (reported, with `what` naming the field).
    void Attach(uint32_t node, uint32_t property);
    template <class Effect>
    bool CheckId(const IdField& field, const char* what, Effect effect);
    std::string NodeLabel(uint32_t node);

    // Names, values and texts (ValueChecks.cpp).
    void CheckEncoding(FieldScan& scan);
    // Reports a text the loader cannot convert; gives the text as the loader holds it, converted or
    // not, valid until the next call.
    std::string_view CheckText(std::string_view text);
    signed char ClassifyName(std::string_view name, uint32_t column);
    void CheckBuilderValue(uint32_t property, std::string_view value, uint32_t column);
    void CheckBuilderScan(uint32_t node);
    void ReportRejectedValue(uint32_t node, uint32_t property, uint32_t acceptedInstead);
    void ReportRepeatedProperty(uint32_t node, uint32_t property, uint32_t accepted);
    // The record a copied property record was copied from (through copies of copies), else itself.
    uint32_t Origin(uint32_t property) {
        const uint32_t origin = m_properties[property].origin;
        return origin == kNone ? property : origin;
    }

    // The copy step and the build walk (TreeChecks.cpp).
    void CheckTree();
    bool CheckCopyGrowth();
    void ApplyCopies(bool properties);
    void FindComponentIds();
    void MergeProperties(uint32_t node, uint32_t source);
    void Walk();
    void CheckUnbuiltNodes();
    uint32_t UnbuiltTop(uint32_t node);
    // False when no finding covers the unbuilt nodes under `top`.
    bool ReportUnbuiltTop(uint32_t top, uint32_t below);
    void Outline(uint32_t node, uint32_t depth);
    void CheckProperties();

    DiagnosticReport m_report;
    BuildOutline* m_outline = nullptr;
    bool m_propertiesFollowed = true;  // through the copies: false when they multiply beyond following
    uint64_t m_lineNumber = 0;
    char m_letter = 0;
    uint64_t m_recordLines = 0;
    bool m_crlfReported = false;
    bool m_stopped = false;

    RecordTable<NodeRecord> m_nodes;
    RecordTable<PropertyRecord> m_properties;
    uint32_t m_root = kNone;
    std::vector<uint32_t> m_copies;
    std::map<int, uint64_t> m_typeUses;  // type id to the first P record naming it
    std::set<int> m_types;               // type ids a T record declares
    // Where a rejected builder value stands, by property record, until the walk tells whether a
    // built node reads it and whether a later property of the node supplies the value instead.
    struct RejectedValue {
        uint64_t line;
        uint32_t column;
        std::string value;  // quoted, and cut as messages cut it
        bool endsInCr;
    };
    std::unordered_map<uint32_t, RejectedValue> m_rejectedValues;

    std::unique_ptr<du::EncodingConverter> m_converter;
    uint64_t m_conversionOffLine = 0;  // the J record that turned conversion off
    std::string m_convertBuffer;
    std::string m_valueBuffer;  // a builder value with its terminator, for the builder's readers
};

}  // namespace ed::check
