#pragma once

#include <ostream>
#include <string>

#include "JsonValues.h"
#include "ed/check/DiagnosticReport.h"

namespace edload {

// `--check`: the diagnostics of the file check, as compiler-style lines on standard error for the
// text formats, or as the "diagnostics" member of the JSON document.

// One "FILE:LINE: severity: message [code]" line per finding in file order, at most
// ed::check::DiagnosticReport::kKeptPerCode of each code and then a line with how many more, and a
// last line with the counts.
void WriteCheckText(std::ostream& out, const std::string& file, const ed::check::DiagnosticReport& report);

// The line of the first error-level finding, as WriteCheckText writes it; false when there is none.
bool WriteFirstError(std::ostream& out, const std::string& file, const ed::check::DiagnosticReport& report);

// {"errors", "warnings", "infos", "truncated", "messages": [{"code", "severity", "line", "column",
// "record", "message"}]}, with the first kKeptInAll findings.
json::Json CheckJson(const ed::check::DiagnosticReport& report);

}  // namespace edload
