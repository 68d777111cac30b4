// edl_check: the file check of `ed-load --check`, its findings copied into plain owned data.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "Boundary.h"
#include "TextPool.h"
#include "ed/check/CheckFile.h"

struct edl_diagnostics {
    edloader::TextPool texts;
    std::vector<edl_diagnostic> kept;
    size_t totals[3] = {};  // by edl_severity
};

namespace edloader {

namespace {

static_assert(EDL_ERROR == static_cast<int>(ed::check::Severity::kError) &&
                  EDL_WARNING == static_cast<int>(ed::check::Severity::kWarning) &&
                  EDL_INFO == static_cast<int>(ed::check::Severity::kInfo),
              "the severities are numbered alike");

// The check reports nothing for a file it cannot open and leaves the reason to the load; a program
// that only checks needs the reason here.
bool Readable(const char* path, std::string& reason) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) {
        reason = "cannot open \"" + std::string(path) + "\": " + std::strerror(errno);
        return false;
    }
    std::fclose(file);
    return true;
}

std::unique_ptr<edl_diagnostics> Copy(const ed::check::DiagnosticReport& report) {
    auto copy = std::make_unique<edl_diagnostics>();
    for (int severity = EDL_ERROR; severity <= EDL_INFO; ++severity)
        copy->totals[severity] = report.Count(static_cast<ed::check::Severity>(severity));
    copy->kept.reserve(report.Kept().size());
    for (const auto& entry : report.Kept()) {
        const ed::check::Diagnostic& d = entry.diagnostic;
        copy->kept.push_back({copy->texts.Add(d.code), static_cast<edl_severity>(d.severity), d.line,
                              d.column, d.record, copy->texts.Add(d.message)});
    }
    return copy;
}

}  // namespace

}  // namespace edloader

extern "C" {

int edl_check(const char* path, edl_diagnostics** out, char* message, size_t message_size) {
    if (out) *out = nullptr;
    return edloader::Guarded(
        [&](std::string& reason) -> int {
            if (!path || !out) {
                reason = "edl_check needs a path and a place for the diagnostics";
                return EDL_BAD_ARGUMENT;
            }
            if (!edloader::Readable(path, reason)) return EDL_LOAD_FAILED;
            *out = edloader::Copy(ed::check::CheckFile(path)).release();
            return EDL_OK;
        },
        message, message_size);
}

void edl_diagnostics_free(edl_diagnostics* d) {
    delete d;
}

size_t edl_diagnostic_count(const edl_diagnostics* d) {
    return d ? d->kept.size() : 0;
}

const edl_diagnostic* edl_diagnostic_at(const edl_diagnostics* d, size_t i) {
    return d && i < d->kept.size() ? &d->kept[i] : nullptr;
}

size_t edl_diagnostics_total(const edl_diagnostics* d, edl_severity severity) {
    if (!d || severity < EDL_ERROR || severity > EDL_INFO) return 0;
    return d->totals[severity];
}

}  // extern "C"
