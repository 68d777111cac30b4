#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "du/Symbol.h"

namespace ed {

// A record's fields as its handler reads them, found when its block of lines was split (possibly on
// another thread): the first three numbers of a C, P or X record; the second number and the text of
// an I, N or V record, a text record (four numbers, then a text to the end of the line).
struct RecordScan {
    uint32_t line;       // the line's index in its block
    int numbers[3];      // of a text record, only the second
    uint32_t textBegin;  // a text record's text, as offsets into the line
    uint32_t textEnd;
    uint32_t hash;       // du::Symbol::Hash of the text, unless it has high bytes
    bool toIntern;       // an I or V text that interning takes as it stands
    bool readOnlyValue;  // a V text left uninterned, for its handler to keep plain (ReadOnlyNames)
    bool highBytes;      // bytes above 0x7f in the text, for the converter
    du::Symbol text;     // a `toIntern` record's text once InternRecordTexts ran, for its handler to take
};

// Names of properties whose first value the build only reads, keeping nothing of its text (a location,
// a colour, a box), as files spell them: the scan leaves the value of such a property uninterned when
// the property's N record comes before it in the block, and the handler keeps it as plain text
// (ValueList::SetPlain) once it has checked the property's name.
class ReadOnlyNames {
  public:
    // `name` must outlive this object.
    void Add(std::string_view name);
    // Compares the bytes alone: the scan asks before the text's hash and classes are ready, and
    // waiting for them cost more than the comparisons.
    bool Contains(std::string_view text) const;

  private:
    static constexpr size_t kMax = 8;
    std::string_view m_names[kMax];
    size_t m_count = 0;
};

// Appends the fields of the C, P, X, I, N and V records among the lines of `bytes` that end at `ends`
// (one past each line feed), in line order. A record whose fields its handler would read otherwise
// than up to the line feed (one with a zero byte or without a line feed among them, or longer than
// the offsets reach) is left out, for its handler to scan. `readOnly` may be null.
void ScanRecords(const char* bytes, const std::vector<size_t>& ends, std::vector<RecordScan>& scans,
                 const ReadOnlyNames* readOnly);

// Interns the texts of the `toIntern` records among `scans` of the same lines, so that the thread that
// reads a file ahead also takes the symbol table's memory loads off the thread that handles it.
void InternRecordTexts(const char* bytes, const std::vector<size_t>& ends, std::vector<RecordScan>& scans);

}  // namespace ed
