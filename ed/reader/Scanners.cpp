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

// A line that the block scan left out, or a text with high bytes, which the converter may change.
std::string_view Parser::ScanTextRecordInLine(int& id, uint32_t& hash) {
    std::string_view text;
    if (const RecordScan* scan = m_scan) {
        id = scan->numbers[1];
        text = TakeText(m_line + scan->textBegin, m_line + scan->textEnd, true);
    } else {
        ScanInt();
        id = ScanInt();
        ScanInt();
        ScanInt();
        text = ScanText(true);
    }
    hash = du::Symbol::Hash(text.data(), text.size());
    return text;
}

du::Symbol Parser::ScanTextSymbolInLine(int& id) {
    uint32_t hash;
    const std::string_view text = ScanTextRecord(id, hash);
    return du::Symbol(text.data(), text.size(), hash);
}

void Parser::ScanNumbersInLine(int (&numbers)[3]) {
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
