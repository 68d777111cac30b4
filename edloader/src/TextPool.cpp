#include "TextPool.h"

#include <cstdint>

namespace edloader {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the valid UTF-8 sequence at `at`, or 0: no overlong forms, no surrogates, nothing
// past U+10FFFF.
size_t SequenceLength(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(at);
    if (lead < 0x80) return 1;
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF;  // the range of the byte after the lead
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
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    return length;
}

}  // namespace

std::string ValidUtf8(std::string_view text) {
    std::string valid;
    valid.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        if (size_t length = SequenceLength(text, at)) {
            valid.append(text, at, length);
            at += length;
        } else {
            valid.append(kReplacement);
            ++at;
        }
    }
    return valid;
}

const char* TextPool::Add(std::string_view text) {
    return m_texts.insert(ValidUtf8(text)).first->c_str();
}

const char* TextPool::AddSymbol(const du::Symbol& text) {
    if (text.is_null()) return nullptr;
    return Add(std::string_view(text.safe_c_str(), text.length()));
}

}  // namespace edloader
