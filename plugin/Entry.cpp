#include <string>

#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "plugin/EDParser.h"

#define ED_EXPORT __attribute__((visibility("default")))

extern "C" {

// The plug-in keeps no state between loads, so there is nothing to set up or tear down.
ED_EXPORT void KXDllInit() {}
ED_EXPORT void KXDllTerminate() __attribute__((alias("KXDllInit")));

// Exact, case-sensitive matches only; the kind is compared first.
ED_EXPORT bool KXDllCreateComponent(const std::string& kind, const void* /*unused*/, const std::string& name,
                                    du::SmartPtr<du::RefCounted>& out) {
    if (kind != "loader" || name != "ed") return false;
    // A fresh component cannot be the object `out` holds already; assignment takes the new reference
    // before it releases the old one.
    out = static_cast<du::RefCounted*>(new EDParser);
    return true;
}

}  // extern "C"
