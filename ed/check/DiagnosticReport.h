#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "ed/check/Diagnostic.h"

namespace ed::check {

// The findings of one check, counted in full but kept only in part, so that a hostile file cannot
// grow them without bound: the first kKeptInAll of them, and besides those the first kKeptPerCode of
// every code. Plain value, one thread.
class DiagnosticReport {
  public:
    static constexpr size_t kKeptInAll = 10000;
    static constexpr size_t kKeptPerCode = 20;

    void Add(Diagnostic diagnostic);
    // Puts the kept findings in file order; findings of one line stay in the order they were added.
    void Finish();

    size_t Count(Severity severity) const { return m_counts[static_cast<int>(severity)]; }
    // Every finding of `code`, kept or not.
    size_t CountOf(const std::string& code) const;
    const std::map<std::string, size_t>& CodeCounts() const { return m_codeCounts; }
    struct Entry {
        Diagnostic diagnostic;
        bool amongFirst;  // one of the first kKeptInAll findings, not only of its code's share
    };
    // The kept findings, in file order once Finish has run.
    const std::vector<Entry>& Kept() const { return m_kept; }
    // More findings were made than the first kKeptInAll.
    bool Truncated() const { return m_total > kKeptInAll; }
    bool HasErrors() const { return Count(Severity::kError) > 0; }

  private:
    size_t m_counts[3] = {};
    size_t m_total = 0;
    std::map<std::string, size_t> m_codeCounts;
    std::vector<Entry> m_kept;
};

}  // namespace ed::check
