#pragma once

#include <string_view>

namespace ed {

// What a text field holds besides plain characters.
struct FieldBytes {
    bool high = false;  // bytes above 0x7f, which the converter may change
    bool zero = false;  // zero bytes, which end the text for a reader of zero-terminated text
};

// Eight bytes at a time, the last word overlapping the one before: text fields are mostly plain
// ASCII and tens of bytes long.
FieldBytes ClassifyBytes(std::string_view text);

}  // namespace ed
