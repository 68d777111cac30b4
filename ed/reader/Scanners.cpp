#include <cstdint>
#include <cstring>

#include "ed/reader/Parser.h"

namespace ed {

namespace {

// Eight bytes at a time, the last word overlapping the one before: text fields are mostly plain
// ASCII and tens of bytes long.
bool HasHighByte(std::string_view text) {
    const char* p = text.data();
    const size_t n = text.size();
    uint64_t bits = 0;
    if (n >= 8) {
        uint64_t word;
        for (size_t i = 0; i + 8 < n; i += 8) {
            std::memcpy(&word, p + i, 8);
            bits |= word;
        }
        std::memcpy(&word, p + n - 8, 8);
        bits |= word;
    } else if (n >= 4) {
        uint32_t head, tail;
        std::memcpy(&head, p, 4);
        std::memcpy(&tail, p + n - 4, 4);
        bits = head | tail;
    } else {
        for (size_t i = 0; i < n; ++i) bits |= static_cast<unsigned char>(p[i]);
    }
    return (bits & 0x8080808080808080ULL) != 0;
}

}  // namespace

std::string_view Parser::ScanText(bool convert) {
    char* start = m_cursor;
    while (*start == ' ') ++start;
    char* const end = strchrnul(start, '\n');
    // The terminator also ends the line for every later scan of it.
    *end = '\0';
    m_cursor = end;
    const std::string_view field(start, static_cast<size_t>(end - start));
    if (!convert || !m_converter || !HasHighByte(field)) return field;
    m_convertBuffer.assign(start, end);
    if (!m_converter->Convert(m_convertBuffer, m_convertBuffer, nullptr)) return field;
    // Up to the first zero byte, as a zero-terminated text would be read.
    return std::string_view(m_convertBuffer.c_str(), std::strlen(m_convertBuffer.c_str()));
}

const char* Parser::ScanTail(bool convert) {
    return ScanText(convert).data();
}

const char* Parser::ScanName(bool convert) {
    return ScanTail(convert);
}

}  // namespace ed
