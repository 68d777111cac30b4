#include "ed/check/Quoted.h"

#include <cstdio>

namespace ed::check {

namespace {

constexpr size_t kShown = 48;

}  // namespace

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size() && i < kShown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c >= 0x7f) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (text.size() > kShown) out += "...";
    return out + "\"";
}

}  // namespace ed::check
