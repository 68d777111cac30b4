#include "Boundary.h"

#include <algorithm>
#include <cstring>

#include "Utf8.h"

namespace edloader {

void WriteMessage(std::string_view text, char* message, size_t size) noexcept {
    if (!message || size == 0) return;
    size_t length = 0;
    try {
        const std::string valid = edload::ValidUtf8(text);
        length = std::min(valid.size(), size - 1);
        // A cut in the middle of a character would leave a broken one at the end.
        while (length > 0 && length < valid.size() &&
               (static_cast<unsigned char>(valid[length]) & 0xC0) == 0x80)
            --length;
        std::memcpy(message, valid.data(), length);
    } catch (...) {
        length = 0;  // no memory even for the message: an empty one
    }
    message[length] = '\0';
}

}  // namespace edloader
