#include "Utf8.h"

#include <cstdint>

namespace edload {

size_t Utf8SequenceLength(std::string_view text) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    if (text.empty()) return 0;
    const uint8_t lead = byte(0);
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    }
    if (length == 0 || text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

bool IsUtf8(std::string_view text) {
    for (size_t at = 0; at < text.size();) {
        if (static_cast<uint8_t>(text[at]) < 0x80) {
            ++at;
        } else if (const size_t length = Utf8SequenceLength(text.substr(at))) {
            at += length;
        } else {
            return false;
        }
    }
    return true;
}

std::string ValidUtf8(std::string_view text) {
    std::string valid;
    valid.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        if (static_cast<uint8_t>(text[at]) < 0x80) {
            valid += text[at++];
        } else if (const size_t length = Utf8SequenceLength(text.substr(at))) {
            valid.append(text, at, length);
            at += length;
        } else {
            valid.append("\xEF\xBF\xBD");
            ++at;
        }
    }
    return valid;
}

}  // namespace edload
