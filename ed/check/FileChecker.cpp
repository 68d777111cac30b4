#include "ed/check/FileChecker.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <utility>

#include "du/FileReader.h"
#include "du/LineReader.h"
#include "ed/check/CheckFile.h"
#include "ed/check/Quoted.h"

namespace ed::check {

namespace {

bool IsReportedOnly(char letter) {
    return std::strchr("ADEFGHKMW", letter) != nullptr;
}

bool IsIgnoredLetter(char letter) {
    return letter == 'B' || letter == 'O' || letter == 'Q';
}

uint32_t DenseLimit(size_t fileSize) {
    return static_cast<uint32_t>(std::min<size_t>(fileSize / 16, INT32_MAX));
}

bool StartsWithByteOrderMark(const char* line) {
    return std::strncmp(line, "\xEF\xBB\xBF", 3) == 0;
}

}  // namespace

DiagnosticReport CheckFile(const std::string& path, BuildOutline* outline) {
    du::SmartPtr<du::FileReader> reader(new du::FileReader);
    if (path.empty() || !reader->Open(du::Symbol(path), 0, 8192)) return DiagnosticReport();
    FileChecker checker(reader->SizeHint());
    checker.SetOutline(outline);
    checker.Run(*reader);
    return checker.TakeReport();
}

// Ids of real files are dense, and a record line takes at least 8 bytes: ids below a sixteenth of
// the file's size are looked up by index, in arrays that reserve a quarter of its size each and are
// touched only where ids land; larger ids by hash.
FileChecker::FileChecker(size_t fileSize)
    : m_nodes(DenseLimit(fileSize)), m_properties(DenseLimit(fileSize)) {}

void FileChecker::Run(du::FileReader& reader) {
    // The loader starts with the host's default converter, as the reader does.
    m_converter.reset(new du::EncodingConverter);
    du::LineReader lines(&reader, 0);
    while (!m_stopped && lines.ReadLine()) {
        ++m_lineNumber;
        CheckLine(lines.GetBuffer(), lines.GetLength());
    }
    if (m_stopped) {
        if (m_outline) m_outline->stopped = true;
        const uint64_t stopLine = m_lineNumber;
        while (lines.ReadLine()) ++m_lineNumber;
        CheckNoLongerRead(stopLine);
        return;
    }
    // The line reader ends the input at a read error; the loader fails the load there instead, so
    // the rest of the file is neither checked nor judged.
    if (!reader.LastError().empty()) {
        if (m_outline) m_outline->stopped = true;
        ReportAt(m_lineNumber + 1, 0, "read-error", Severity::kError,
                 reader.LastError() + ": the loader fails the load, and the file is checked only up to here");
        return;
    }
    if (m_recordLines == 0) {
        ReportAt(1, 0, "no-records", Severity::kError,
                 "no line of the file starts with a record letter (C, I, P, N, V, ...): the loader builds "
                 "an empty structure");
        return;
    }
    CheckTree();
}

DiagnosticReport FileChecker::TakeReport() {
    m_report.Finish();
    return std::move(m_report);
}

void FileChecker::CheckLine(char* line, size_t length) {
    size_t content = length;
    if (content > 0 && line[content - 1] == '\n') --content;
    const char* end = static_cast<const char*>(std::memchr(line, '\0', content));
    if (end != nullptr) {
        const size_t at = static_cast<size_t>(end - line);
        Report("nul-in-line", Severity::kWarning, static_cast<uint32_t>(at) + 1,
               "the line holds a zero byte at column " + std::to_string(at + 1) +
                   ": the loader reads the line only up to it and ignores " +
                   Quoted(std::string_view(end + 1, content - at - 1)) + " after it");
        content = at;
    } else {
        end = line + content;
    }
    if (!m_crlfReported && content > 0 && line[content - 1] == '\r' && content < length) {
        m_crlfReported = true;
        Report("crlf-line-ending", Severity::kWarning, static_cast<uint32_t>(content),
               "the line ends in CR LF: the loader ends lines at LF only, so the CR stays part of every "
               "name and value of the file (names print as \"Root\\r\", and \"location\\r\" is no builder "
               "property); save the file with LF line endings");
    }
    if (m_lineNumber == 1 && StartsWithByteOrderMark(line)) {
        m_letter = 0;
        Report("byte-order-mark", Severity::kError, 1,
               "the file starts with a UTF-8 byte-order mark: the loader takes its first byte for the "
               "record letter, so this line (" +
                   Quoted(std::string_view(line + 3, content > 3 ? content - 3 : 0)) +
                   ") is not recognised and is skipped; save the file without the mark");
        return;
    }
    const char letter = line[0];
    if (letter == '\0' || letter == '\r' || letter == '\n') return;
    m_letter = letter;
    FieldScan scan(line, end);
    CheckLetter(letter, scan);
}

void FileChecker::CheckLetter(char letter, FieldScan& scan) {
    if (IsIgnoredLetter(letter)) {
        Report(
            "ignored-record", Severity::kInfo, 1,
            "\"" + std::string(1, letter) + "\" records carry nothing the loader uses: the line is skipped");
        return;
    }
    if (letter < 'A' || letter > 'X') {
        m_letter = 0;
        CheckUnknownLetter(scan.Line());
        return;
    }
    ++m_recordLines;
    if (IsReportedOnly(letter)) {
        Report("reported-only-record", Severity::kInfo, 1,
               "\"" + std::string(1, letter) +
                   "\" records are read but not acted on: the loader only traces the line");
        return;
    }
    switch (letter) {
        case 'C':
            return CheckNode(scan);
        case 'I':
            return CheckNodeName(scan);
        case 'J':
            return CheckEncoding(scan);
        case 'L':
            return CheckLink(scan);
        case 'N':
            return CheckPropertyName(scan);
        case 'P':
            return CheckProperty(scan);
        case 'R':
            return Report("reported-only-record", Severity::kInfo, 1,
                          "the loader traces the redirect to " + Quoted(scan.Text()) +
                              " but does not follow it: the file is read on as usual");
        case 'T':
            return CheckPropertyType(scan);
        case 'U':
            return Report("reported-only-record", Severity::kInfo, 1,
                          "\"U\" records are read but not acted on: the loader only traces the line");
        case 'V':
            return CheckPropertyValue(scan);
        case 'X':
            return CheckCopy(scan);
        default:  // S: the annotation-set table reaches the structure as written
            return;
    }
}

void FileChecker::CheckUnknownLetter(const char* line) {
    const unsigned char first = static_cast<unsigned char>(line[0]);
    std::string why;
    if (first == ' ' || first == '\t')
        why = "the line starts with a blank, and a record letter must be its first byte";
    else if (std::islower(first) && std::toupper(first) <= 'X' &&
             (line[1] == ' ' || line[1] == '\0' || line[1] == '\n'))
        why = "record letters are upper case";
    else if (first == '#')
        why = "the format has no comment syntax";
    else
        why = "no record starts with " + Quoted(std::string_view(line, 1));
    Report("unknown-record", Severity::kWarning, 1, why + ": the loader skips the line");
}

void FileChecker::CheckNoLongerRead(uint64_t stopLine) {
    if (m_lineNumber == stopLine) return;
    const std::string rest =
        m_lineNumber == stopLine + 1
            ? "this line is"
            : "this line and the " + std::to_string(m_lineNumber - stopLine - 1) + " after it are";
    ReportAt(stopLine + 1, 0, "parse-stopped", Severity::kWarning,
             "the loader stopped reading at line " + std::to_string(stopLine) + ": " + rest + " not read");
}

void FileChecker::Report(const char* code, Severity severity, uint32_t column, std::string message) {
    m_report.Add(Diagnostic{code, severity, m_lineNumber, column, m_letter, std::move(message)});
}

void FileChecker::ReportAt(uint64_t line, char record, const char* code, Severity severity,
                           std::string message) {
    m_report.Add(Diagnostic{code, severity, line, 0, record, std::move(message)});
}

}  // namespace ed::check
