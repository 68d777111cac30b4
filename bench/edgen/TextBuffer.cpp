#include "TextBuffer.h"

#include <cmath>

namespace edgen {

namespace {
constexpr size_t kBlockBytes = 1 << 20;
}  // namespace

TextBuffer::TextBuffer(std::FILE* out) : m_out(out) {
    m_buffer.reserve(kBlockBytes + 4096);
}

TextBuffer& TextBuffer::Text(std::string_view text) {
    m_buffer.append(text);
    return *this;
}

TextBuffer& TextBuffer::Char(char c) {
    m_buffer.push_back(c);
    return *this;
}

TextBuffer& TextBuffer::Int(int64_t value) {
    char digits[24];
    int n = 0;
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) m_buffer.push_back('-');
    while (n > 0) m_buffer.push_back(digits[--n]);
    return *this;
}

TextBuffer& TextBuffer::Fixed(double value, int decimals) {
    int64_t scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    int64_t scaled = std::llround(value * static_cast<double>(scale));
    if (scaled < 0) {
        m_buffer.push_back('-');
        scaled = -scaled;
    }
    Int(scaled / scale);
    int64_t fraction = scaled % scale;
    if (fraction == 0) return *this;
    while (fraction % 10 == 0) {
        fraction /= 10;
        scale /= 10;
    }
    m_buffer.push_back('.');
    for (int64_t digit = scale / 10; digit > 0; digit /= 10) {
        m_buffer.push_back(static_cast<char>('0' + fraction / digit % 10));
    }
    return *this;
}

TextBuffer& TextBuffer::EndLine() {
    m_buffer.push_back('\n');
    if (m_buffer.size() >= kBlockBytes) Flush();
    m_lineStart = m_buffer.size();
    return *this;
}

bool TextBuffer::Flush() {
    if (!m_buffer.empty() && !m_failed) {
        m_failed = std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_out) != m_buffer.size();
        m_written += m_buffer.size();
    }
    m_buffer.clear();
    m_lineStart = 0;
    return !m_failed;
}

}  // namespace edgen
