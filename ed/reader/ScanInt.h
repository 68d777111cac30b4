#pragma once

#include <cstdint>

namespace ed {

// Skips to the next digit and reads the digits there, leaving `cursor` behind them; 0 when the text
// ends first. Overlong numbers wrap: the value is read unsigned, so it cannot overflow, and its bit
// pattern is the result. Inline, as every record handler calls it several times a line.
inline int ScanInt(const char*& cursor) {
    const auto isDigit = [](char c) { return static_cast<unsigned char>(c - '0') < 10; };
    const char* p = cursor;
    while (!isDigit(*p) && *p != '\0') ++p;
    uint32_t value = 0;
    for (; isDigit(*p); ++p) value = value * 10u + static_cast<uint32_t>(*p - '0');
    cursor = p;
    return static_cast<int>(value);
}

}  // namespace ed
