#pragma once

#include <cstddef>
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <string_view>

#include "edloader/edloader.h"

namespace edloader {

// Copies `text` into the caller's buffer as far as it fits, always terminated.
void WriteMessage(std::string_view text, char* message, size_t size) noexcept;

// Runs `body`, which returns a status and may set `reason`, so that nothing it throws crosses the C
// interface: running out of memory becomes EDL_OUT_OF_MEMORY, anything else EDL_INTERNAL_ERROR.
template <class Body>
int Guarded(Body&& body, char* message, size_t size) noexcept {
    try {
        std::string reason;
        const int status = body(reason);
        WriteMessage(status == EDL_OK ? std::string_view() : reason, message, size);
        return status;
    } catch (const std::bad_alloc&) {
        WriteMessage("out of memory", message, size);
        return EDL_OUT_OF_MEMORY;
    } catch (const std::exception& e) {
        char text[256];
        std::snprintf(text, sizeof text, "internal error: %s", e.what());
        WriteMessage(text, message, size);
    } catch (...) {
        WriteMessage("internal error", message, size);
    }
    return EDL_INTERNAL_ERROR;
}

}  // namespace edloader
