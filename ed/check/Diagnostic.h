#pragma once

#include <cstdint>
#include <string>

namespace ed::check {

// How much of what the file meant the loader loses on a line: error when the load fails or the
// structure clearly lacks what the file meant, warning when a record is dropped, bent or shadowed,
// info when the record is only reported.
enum class Severity { kError, kWarning, kInfo };

const char* SeverityName(Severity severity);

// One finding on one line. `code` is a stable kebab-case name with static storage; `column` (1-based
// byte) and `record` (the record letter) are 0 when they do not apply.
struct Diagnostic {
    const char* code;
    Severity severity;
    uint64_t line;
    uint32_t column;
    char record;
    std::string message;
};

}  // namespace ed::check
