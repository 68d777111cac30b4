#include "ed/check/DiagnosticReport.h"

#include <algorithm>
#include <utility>

namespace ed::check {

const char* SeverityName(Severity severity) {
    switch (severity) {
        case Severity::kError:
            return "error";
        case Severity::kWarning:
            return "warning";
        case Severity::kInfo:
            break;
    }
    return "info";
}

void DiagnosticReport::Add(Diagnostic diagnostic) {
    ++m_counts[static_cast<int>(diagnostic.severity)];
    const bool amongFirst = ++m_total <= kKeptInAll;
    const size_t ofCode = ++m_codeCounts[diagnostic.code];
    if (amongFirst || ofCode <= kKeptPerCode) m_kept.push_back(Entry{std::move(diagnostic), amongFirst});
}

void DiagnosticReport::Finish() {
    std::stable_sort(m_kept.begin(), m_kept.end(),
                     [](const Entry& a, const Entry& b) { return a.diagnostic.line < b.diagnostic.line; });
}

size_t DiagnosticReport::CountOf(const std::string& code) const {
    const auto found = m_codeCounts.find(code);
    return found == m_codeCounts.end() ? 0 : found->second;
}

}  // namespace ed::check
