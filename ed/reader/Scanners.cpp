#include <cstdint>
#include <cstring>

#include "ed/reader/Parser.h"

namespace ed {

namespace {

bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

}  // namespace

// Works on a local cursor: the handlers call this several times per line, and a member cursor would
// be stored back at every byte.
int Parser::ScanInt() {
    char* p = m_cursor;
    while (!IsDigit(*p) && *p != '\0') ++p;
    // Unsigned, so that overlong numbers wrap instead of overflowing; the bit pattern is the id.
    uint32_t value = 0;
    for (; IsDigit(*p); ++p) value = value * 10u + static_cast<uint32_t>(*p - '0');
    m_cursor = p;
    return static_cast<int>(value);
}

std::string_view Parser::ScanText(bool convert) {
    char* p = m_cursor;
    while (*p == ' ') ++p;
    char* const start = p;
    unsigned char high = 0;
    for (; *p != '\0' && *p != '\n'; ++p) high |= static_cast<unsigned char>(*p);
    // The terminator also ends the line for every later scan of it.
    *p = '\0';
    m_cursor = p;
    const std::string_view field(start, static_cast<size_t>(p - start));
    if (!convert || high < 0x80 || !m_converter) return field;
    m_convertBuffer.assign(start, p);
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
