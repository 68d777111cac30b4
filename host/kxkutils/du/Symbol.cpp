#include "du/Symbol.h"

#include "du/SymbolTable.h"
#include "du/TextHash.h"

#include <cassert>
#include <cstring>
#include <ostream>
#include <string_view>

namespace du {

size_t Symbol::LongLength(const char* text) noexcept {
    size_t length;
    std::memcpy(&length, text - sizeof(Header) - 8, 8);
    return length;
}

const char* Symbol::Intern(const char* text, size_t length) {
    return SymbolTable::Get().Intern(text, length);
}

const Symbol Symbol::EMPTY("");

Symbol::Symbol(const char* text) : m_text(text ? Intern(text, std::strlen(text)) : nullptr) {}

Symbol::Symbol(const char* text, size_t length) : m_text(text ? Intern(text, length) : nullptr) {}

Symbol::Symbol(const char* text, size_t length, uint32_t hash)
    : m_text(text ? SymbolTable::Get().Intern(text, length, hash) : nullptr) {
    assert(!text || hash == Hash(text, length));
}

Symbol::Symbol(const std::string& text) : m_text(Intern(text.data(), text.size())) {}

size_t Symbol::find(char c, size_t pos) const {
    return std::string_view(safe_c_str(), length()).find(c, pos);
}

size_t Symbol::find(const char* s, size_t pos) const {
    if (!s) return npos;
    return std::string_view(safe_c_str(), length()).find(s, pos);
}

std::string Symbol::substr(size_t pos, size_t count) const {
    // Throws std::out_of_range for a position past the end, as std::string::substr does.
    return std::string(std::string_view(safe_c_str(), length()).substr(pos, count));
}

void Symbol::Print(std::ostream& out) const {
    if (m_text) out.write(m_text, static_cast<std::streamsize>(length()));
}

// A null symbol equals only a null pointer; "" is the empty text, which is not null.
bool Symbol::operator==(const char* other) const {
    if (!m_text || !other) return m_text == other;
    size_t n = length();
    for (size_t i = 0; i < n; ++i) {
        if (other[i] != m_text[i] || other[i] == '\0') return false;
    }
    return other[n] == '\0';
}

uint32_t Symbol::Hash(const char* text, size_t length) noexcept {
    return texthash::HashText(text, length);
}

void Symbol::PrefetchSlot(uint32_t hash) noexcept {
    SymbolTable::Get().PrefetchSlot(hash);
}

void Symbol::Reserve(size_t texts) {
    SymbolTable::Get().Reserve(texts);
}

size_t Symbol::LiveCount() {
    return SymbolTable::Get().LiveCount();
}

void Symbol::Sweep() noexcept {
    SymbolTable::Get().Sweep();
}

std::ostream& operator<<(std::ostream& out, const Symbol& symbol) {
    symbol.Print(out);
    return out;
}

}  // namespace du
