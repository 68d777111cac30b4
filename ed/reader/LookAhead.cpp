#include "ed/reader/LookAhead.h"

#include <emmintrin.h>

#include "du/Symbol.h"
#include "ed/reader/BlockLines.h"
#include "ed/reader/FieldBytes.h"
#include "ed/reader/ScanInt.h"

namespace ed {

namespace {

constexpr size_t kWindow = 16;

uint32_t CountTrailingZeros(uint32_t bits) {
    return static_cast<uint32_t>(__builtin_ctz(bits));
}

// Finds the four numbers in the kWindow bytes at `p` at once, setting `id` to the second and `p`
// behind the fourth. False when the fourth does not end inside the window or a line feed or zero
// byte comes before its end.
bool ScanNumbersInWindow(const char*& p, int& id) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i fromZero = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(fromZero, _mm_set1_epi8(9)), fromZero);
    const __m128i isStop =
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_setzero_si128()), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
    const uint32_t digits = static_cast<uint32_t>(_mm_movemask_epi8(isDigit));
    const uint32_t stops = static_cast<uint32_t>(_mm_movemask_epi8(isStop));
    uint32_t lasts = digits & ~(digits >> 1);  // the last digit of each number, or of the window
    const uint32_t firsts = digits & ~(digits << 1);
    for (int skipped = 0; skipped < 3; ++skipped) lasts &= lasts - 1;
    if (lasts == 0) return false;
    const uint32_t fourthEnd = CountTrailingZeros(lasts);
    if (fourthEnd >= kWindow - 1 || (stops & ((2u << fourthEnd) - 1)) != 0) return false;
    const char* second = p + CountTrailingZeros(firsts & (firsts - 1));
    id = ScanDigits(second);
    p += fourthEnd + 1;
    return true;
}

// The handler's ScanInt, four times, bounded by the line feed.
bool ScanNumbers(const char*& p, int& id) {
    for (int field = 0; field < 4; ++field) {
        for (; !IsDigit(*p); ++p)
            if (*p == '\n' || *p == '\0') return false;
        const int value = ScanDigits(p);
        if (field == 1) id = value;
    }
    return true;
}

}  // namespace

void LookAhead::Advance(const BlockLines& lines) {
    m_current = lines.Index();
    if (m_current > 0) {
        Look(lines.LineAhead(kLines), m_current + kLines);
        return;
    }
    // A new block: the lines scanned so far were in the last one.
    for (TextFields& fields : m_fields) fields.line = nullptr;
    m_pending = 0;
    for (size_t distance = 1; distance <= kLines; ++distance) Look(lines.LineAhead(distance), distance);
}

// Scans as the record's handler would: each number after the bytes before it, then the text after
// its leading blanks. A number that meets the line feed or a zero byte is left to the handler, whose
// line ends there.
void LookAhead::Look(std::string_view line, size_t index) {
    TextFields& fields = m_fields[index % kSlots];
    fields.line = nullptr;
    if (line.size() < 2 || line.back() != '\n') return;
    const char letter = line[0];
    if (letter != 'I' && letter != 'N' && letter != 'V') return;
    const char* p = line.data() + 1;
    int id = 0;
    const bool windowInLine = line.size() > kWindow;
    if (!(windowInLine && ScanNumbersInWindow(p, id)) && !ScanNumbers(p, id)) return;
    while (*p == ' ') ++p;
    const char* end = line.data() + line.size() - 1;
    const FieldBytes bytes = ClassifyBytes(std::string_view(p, static_cast<size_t>(end - p)));
    if (bytes.zero) return;
    fields.line = line.data();
    fields.id = id;
    fields.textBegin = static_cast<size_t>(p - line.data());
    fields.textEnd = line.size() - 1;
    fields.highBytes = bytes.high;
    // Converted texts are interned as converted: their slots are not known here.
    if (letter != 'N' && !bytes.high) Prefetch(p, static_cast<size_t>(end - p));
}

// Prefetches the text's slot; the text whose slot was prefetched kTexts texts ago gets its own
// prefetch now.
void LookAhead::Prefetch(const char* text, size_t length) {
    const uint32_t hash = du::Symbol::PrefetchSlot(text, length);
    if (m_pending == kTexts) {
        du::Symbol::PrefetchText(m_hashes[m_oldest]);
        m_hashes[m_oldest] = hash;
        m_oldest = (m_oldest + 1) % kTexts;
    } else {
        m_hashes[(m_oldest + m_pending++) % kTexts] = hash;
    }
}

}  // namespace ed
