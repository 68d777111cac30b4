#include <algorithm>
#include <cstdint>
#include <cstring>

#include "ed/reader/FieldBytes.h"
#include "ed/reader/Parser.h"

namespace ed {

std::string_view Parser::ScanText(bool convert) {
    char* start = m_cursor;
    while (*start == ' ') ++start;
    char* const end = strchrnul(start, '\n');
    return TakeText(start, end, convert && ClassifyBytes(std::string_view(start, end - start)).high);
}

// A text that the block scan hashed is not hashed again.
std::string_view Parser::ScanTextRecord(int& id, uint32_t& hash) {
    if (const RecordScan* scan = m_scan) {
        id = scan->numbers[1];
        const std::string_view text =
            TakeText(m_line + scan->textBegin, m_line + scan->textEnd, scan->highBytes);
        hash = scan->highBytes ? du::Symbol::Hash(text.data(), text.size()) : scan->hash;
        return text;
    }
    ScanInt();
    id = ScanInt();
    ScanInt();
    ScanInt();
    const std::string_view text = ScanText(true);
    hash = du::Symbol::Hash(text.data(), text.size());
    return text;
}

void Parser::ScanNumbers(int (&numbers)[3]) {
    if (const RecordScan* scan = m_scan) {
        std::copy(scan->numbers, scan->numbers + 3, numbers);
        return;
    }
    for (int& number : numbers) number = ScanInt();
}

// Up to the first zero byte, as a zero-terminated text would be read; the text as it stands when the
// converter fails.
std::string_view Parser::Converted(char* start, char* end) {
    m_convertBuffer.assign(start, end);
    if (!m_converter->Convert(m_convertBuffer, m_convertBuffer, nullptr))
        return std::string_view(start, static_cast<size_t>(end - start));
    return std::string_view(m_convertBuffer.c_str(), std::strlen(m_convertBuffer.c_str()));
}

const char* Parser::ScanTail(bool convert) {
    return ScanText(convert).data();
}

const char* Parser::ScanName(bool convert) {
    return ScanTail(convert);
}

}  // namespace ed
