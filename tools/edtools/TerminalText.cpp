#include "TerminalText.h"

#include <cstdint>
#include <cstdio>

#include "Utf8.h"

namespace edload {

namespace {

void Escape(std::string& out, std::string_view bytes) {
    char hex[8];
    for (unsigned char byte : bytes) {
        std::snprintf(hex, sizeof hex, "\\x%02x", byte);
        out += hex;
    }
}

}  // namespace

std::string TerminalSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const uint8_t byte = static_cast<uint8_t>(text[i]);
        if (byte < 0x80) {
            if ((byte < 0x20 && byte != '\n') || byte == 0x7F)
                Escape(out, text.substr(i, 1));
            else
                out += static_cast<char>(byte);
            ++i;
            continue;
        }
        const size_t length = Utf8SequenceLength(text.substr(i));
        const bool c1 = length == 2 && byte == 0xC2 && static_cast<uint8_t>(text[i + 1]) < 0xA0;
        if (length == 0 || c1)
            Escape(out, text.substr(i, length == 0 ? 1 : length));
        else
            out.append(text.substr(i, length));
        i += length == 0 ? 1 : length;
    }
    return out;
}

TerminalSafeBuffer::int_type TerminalSafeBuffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    m_pending += traits_type::to_char_type(c);
    if (c == '\n') PassLines();
    return c;
}

std::streamsize TerminalSafeBuffer::xsputn(const char* text, std::streamsize count) {
    m_pending.append(text, static_cast<size_t>(count));
    PassLines();
    return count;
}

int TerminalSafeBuffer::sync() {
    const std::string safe = TerminalSafe(m_pending);
    m_pending.clear();
    m_target.write(safe.data(), static_cast<std::streamsize>(safe.size()));
    m_target.flush();
    return m_target ? 0 : -1;
}

void TerminalSafeBuffer::PassLines() {
    const size_t end = m_pending.rfind('\n');
    if (end == std::string::npos) return;
    const std::string safe = TerminalSafe(std::string_view(m_pending).substr(0, end + 1));
    m_target.write(safe.data(), static_cast<std::streamsize>(safe.size()));
    m_pending.erase(0, end + 1);
}

}  // namespace edload
