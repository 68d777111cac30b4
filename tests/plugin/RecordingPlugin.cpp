// A plug-in that only records how the host's plug-in loader calls its entry points.
#include <string>

#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "plugin/RecordedCalls.h"

namespace {
edtest::RecordedCalls g_calls;
}  // namespace

extern "C" {

edtest::RecordedCalls* RecordedCalls() {
    return &g_calls;
}

void KXDllInit() {
    ++g_calls.init;
}
void KXDllTerminate() {
    ++g_calls.terminate;
}

bool KXDllCreateComponent(const std::string& kind, const void* unused, const std::string& name,
                          du::SmartPtr<du::RefCounted>& out) {
    ++g_calls.create;
    g_calls.kind = kind;
    g_calls.name = name;
    g_calls.unused = unused;
    g_calls.out = &out;
    return kind == "yes";
}

}  // extern "C"
