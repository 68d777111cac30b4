#include "TextVariety.h"

namespace edgen {

namespace {

// The text of an I, N or V record follows its five fields ("V 0 17 0 0 text"); the generator writes
// single blanks between them.
std::string_view RecordText(std::string_view line) {
    size_t at = 0;
    for (int field = 0; field < 5 && at != std::string_view::npos; ++field) {
        at = line.find(' ', at);
        if (at != std::string_view::npos) ++at;
    }
    return at == std::string_view::npos ? std::string_view() : line.substr(at);
}

uint64_t Fnv1a(std::string_view text) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ULL;
    return hash;
}

}  // namespace

void TextVariety::Count(std::string_view line, bool madeNew) {
    if (line.empty() || (line[0] != 'I' && line[0] != 'N' && line[0] != 'V')) return;
    ++m_texts;
    if (madeNew || m_seen.insert(Fnv1a(RecordText(line))).second) ++m_new;
}

}  // namespace edgen
