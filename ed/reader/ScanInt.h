#pragma once

#include <cstdint>

namespace ed {

inline bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

// Reads the digits at `cursor` and leaves it behind them. Overlong numbers wrap: the value is read
// unsigned, so it cannot overflow, and its bit pattern is the result.
inline int ScanDigits(const char*& cursor) {
    const char* p = cursor;
    uint32_t value = 0;
    for (; IsDigit(*p); ++p) value = value * 10u + static_cast<uint32_t>(*p - '0');
    cursor = p;
    return static_cast<int>(value);
}

// Skips to the next digit and reads the number there, leaving `cursor` behind it; 0 when the text
// ends first. Inline, as every record handler calls it several times a line.
inline int ScanInt(const char*& cursor) {
    while (!IsDigit(*cursor) && *cursor != '\0') ++cursor;
    return ScanDigits(cursor);
}

}  // namespace ed
