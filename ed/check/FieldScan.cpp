#include "ed/check/FieldScan.h"

#include <algorithm>
#include <cstring>

#include "ed/reader/ScanInt.h"

namespace ed::check {

namespace {

bool IsDigit(char c) {
    return static_cast<unsigned char>(c - '0') < 10;
}

// Bytes that, glued to a number, show that the author meant more than the digits: letters, a decimal
// point, an underscore, and any byte of a multi-byte character. Blanks, commas and the like are the
// separators the format allows.
bool IsGlued(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return static_cast<unsigned char>((u | 0x20) - 'a') < 26 || c == '.' || c == '_' || u >= 0x80;
}

// A positive id has at most ten digits and stays below 2^31; leading zeros change nothing.
bool Wraps(std::string_view digits) {
    const std::string_view significant =
        digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
    return significant.size() > 10 ||
           (significant.size() == 10 && significant > std::string_view("2147483647"));
}

}  // namespace

IdField FieldScan::Id() {
    IdField field;
    const char* from = m_cursor;
    field.value = ScanInt(m_cursor);
    const char* digitsEnd = m_cursor;
    const char* digits = digitsEnd;
    while (digits > from && IsDigit(digits[-1])) --digits;
    if (digits == digitsEnd) return field;
    field.column = ColumnOf(digits);
    field.digits = std::string_view(digits, static_cast<size_t>(digitsEnd - digits));
    field.sign = digits > from && (digits[-1] == '-' || digits[-1] == '+');
    field.wraps = field.digits.size() >= 10 && Wraps(field.digits);
    const char* rest = digitsEnd;
    while (IsGlued(*rest)) ++rest;
    field.trailing = std::string_view(digitsEnd, static_cast<size_t>(rest - digitsEnd));
    return field;
}

void FieldScan::Skip(int count) {
    for (int i = 0; i < count; ++i) ScanInt(m_cursor);
}

std::string_view FieldScan::Text() {
    // An integer scan may have passed the line feed and stopped on the terminator behind it.
    const char* start = std::min(m_cursor, m_end);
    while (start < m_end && *start == ' ') ++start;
    // Like the reader, which ends the line at its text: later scans of the line find nothing.
    m_cursor = m_end;
    return std::string_view(start, static_cast<size_t>(m_end - start));
}

}  // namespace ed::check
