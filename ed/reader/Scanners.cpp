#include <cstdint>

#include "ed/reader/Parser.h"

namespace ed {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

int Parser::ScanInt() {
    while (*m_cursor != '\0' && !IsDigit(*m_cursor)) ++m_cursor;
    // Unsigned, so that overlong numbers wrap instead of overflowing; the bit pattern is the id.
    uint32_t value = 0;
    for (; IsDigit(*m_cursor); ++m_cursor) value = value * 10u + static_cast<uint32_t>(*m_cursor - '0');
    return static_cast<int>(value);
}

const char* Parser::ScanTail(bool convert) {
    while (*m_cursor == ' ') ++m_cursor;
    char* const start = m_cursor;
    bool nonAscii = false;
    for (; *m_cursor != '\0' && *m_cursor != '\n'; ++m_cursor) {
        nonAscii |= static_cast<unsigned char>(*m_cursor) >= 0x80;
    }
    // The terminator also ends the line for every later scan of it.
    *m_cursor = '\0';
    if (!convert || !nonAscii || !m_converter) return start;
    m_convertBuffer.assign(start, m_cursor);
    if (m_converter->Convert(m_convertBuffer, m_convertBuffer, nullptr)) return m_convertBuffer.c_str();
    return start;
}

const char* Parser::ScanName(bool convert) {
    return ScanTail(convert);
}

}  // namespace ed
