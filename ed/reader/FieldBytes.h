#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

namespace ed {

// What a text field holds besides plain characters.
struct FieldBytes {
    bool high = false;  // bytes above 0x7f, which the converter may change
    bool zero = false;  // zero bytes, which end the text for a reader of zero-terminated text
};

// Eight bytes at a time, the last word overlapping the one before: text fields are mostly plain
// ASCII and tens of bytes long. Inline, as every text record's scan runs it.
inline FieldBytes ClassifyBytes(std::string_view text) {
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    constexpr uint64_t kHighBits = 0x8080808080808080ULL;
    // High bits where a word has a zero byte (and possibly above it); none when it has none.
    const auto zeroBytes = [](uint64_t word) { return (word - kOnes) & ~word & kHighBits; };
    const char* p = text.data();
    const size_t n = text.size();
    uint64_t bits = 0, zeros = 0;
    if (n >= 8) {
        uint64_t word;
        for (size_t i = 0; i + 8 < n; i += 8) {
            std::memcpy(&word, p + i, 8);
            bits |= word;
            zeros |= zeroBytes(word);
        }
        std::memcpy(&word, p + n - 8, 8);
        bits |= word;
        zeros |= zeroBytes(word);
    } else {
        for (size_t i = 0; i < n; ++i) {
            bits |= static_cast<unsigned char>(p[i]);
            zeros |= p[i] == '\0';
        }
    }
    return FieldBytes{(bits & kHighBits) != 0, zeros != 0};
}

}  // namespace ed
