#include "CheckReport.h"

#include <map>

namespace edload {

namespace {

using ed::check::Diagnostic;
using ed::check::DiagnosticReport;
using ed::check::Severity;

std::string Counted(size_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

void WriteLine(std::ostream& out, const std::string& file, const Diagnostic& d) {
    out << file << ':' << d.line << ": " << ed::check::SeverityName(d.severity) << ": " << d.message << " ["
        << d.code << "]\n";
}

}  // namespace

void WriteCheckText(std::ostream& out, const std::string& file, const DiagnosticReport& report) {
    std::map<std::string, size_t> shown;
    for (const DiagnosticReport::Entry& entry : report.Kept()) {
        if (++shown[entry.diagnostic.code] > DiagnosticReport::kKeptPerCode) continue;
        WriteLine(out, file, entry.diagnostic);
    }
    for (const auto& [code, count] : report.CodeCounts())
        if (count > DiagnosticReport::kKeptPerCode)
            out << file << ": ... and " << count - DiagnosticReport::kKeptPerCode << " more [" << code
                << "]\n";
    out << file << ": " << Counted(report.Count(Severity::kError), "error") << ", "
        << Counted(report.Count(Severity::kWarning), "warning") << ", "
        << Counted(report.Count(Severity::kInfo), "info") << '\n';
}

bool WriteFirstError(std::ostream& out, const std::string& file, const DiagnosticReport& report) {
    for (const DiagnosticReport::Entry& entry : report.Kept()) {
        if (entry.diagnostic.severity != Severity::kError) continue;
        WriteLine(out, file, entry.diagnostic);
        return true;
    }
    return false;
}

json::Json CheckJson(const DiagnosticReport& report) {
    json::Json messages = json::Json::array();
    for (const DiagnosticReport::Entry& entry : report.Kept()) {
        if (!entry.amongFirst) continue;
        const Diagnostic& d = entry.diagnostic;
        messages.push_back({{"code", d.code},
                            {"severity", ed::check::SeverityName(d.severity)},
                            {"line", d.line},
                            {"column", d.column ? json::Json(d.column) : json::Json(nullptr)},
                            {"record", d.record ? json::Json(std::string(1, d.record)) : json::Json(nullptr)},
                            {"message", d.message}});
    }
    return {{"errors", report.Count(Severity::kError)},
            {"warnings", report.Count(Severity::kWarning)},
            {"infos", report.Count(Severity::kInfo)},
            {"truncated", report.Truncated()},
            {"messages", std::move(messages)}};
}

}  // namespace edload
