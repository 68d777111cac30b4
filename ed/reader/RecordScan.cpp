#include "ed/reader/RecordScan.h"

#include <emmintrin.h>

#include <cstring>
#include <limits>
#include <string_view>

#include "du/Symbol.h"
#include "du/SymbolInternBatch.h"
#include "ed/reader/FieldBytes.h"
#include "ed/reader/ScanInt.h"

namespace ed {

namespace {

constexpr size_t kWindow = 16;

uint32_t LowestBit(uint32_t bits) {
    return static_cast<uint32_t>(__builtin_ctz(bits));
}

// The value of `length` digits (1 to 8) at `digits`, with the 8 - `length` bytes before them readable:
// the word that ends with them keeps them in its top bytes, its lower bytes cleared to read as leading
// zeros, and pairs, fours and eights of them are combined with three multiplies instead of a multiply
// and a test per digit.
uint32_t EightDigits(const char* digits, uint32_t length) {
    const uint32_t shift = 8 * (8 - length);
    uint64_t word;
    std::memcpy(&word, digits + length - 8, 8);
    word = (word & (~uint64_t{0} << shift)) - (0x3030303030303030ULL << shift);
    word = (word * 10 + (word >> 8)) & 0x00FF00FF00FF00FFULL;
    word = (word * 100 + (word >> 16)) & 0x0000FFFF0000FFFFULL;
    return static_cast<uint32_t>(word * 10000 + (word >> 32));
}

// Finds the four numbers in the kWindow bytes at `p` at once, setting `id` to the second and `p`
// behind the fourth. False, with `p` as it was, when the fourth does not end inside the window or a
// line feed or zero byte comes before its end.
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
    const uint32_t afterFirst = lasts & (lasts - 1);
    for (int skipped = 0; skipped < 3; ++skipped) lasts &= lasts - 1;
    if (lasts == 0) return false;
    const uint32_t fourthEnd = LowestBit(lasts);
    if (fourthEnd >= kWindow - 1 || (stops & ((2u << fourthEnd) - 1)) != 0) return false;
    // Ids of four to eight digits, the common ones, in one step, when the window holds the word.
    const uint32_t secondEnd = LowestBit(afterFirst);
    const uint32_t secondBegin = LowestBit(firsts & (firsts - 1));
    const uint32_t length = secondEnd - secondBegin + 1;
    if (length <= 8 && secondBegin + length >= 8) {
        id = static_cast<int>(EightDigits(p + secondBegin, length));
    } else {
        const char* second = p + secondBegin;
        id = ScanDigits(second);
    }
    p += fourthEnd + 1;
    return true;
}

// The handler's first `count` ScanInt calls, bounded by the line feed; those of the `wanted` bits go
// to `numbers`.
bool ScanNumbersToLineFeed(const char*& p, int count, unsigned wanted, int* numbers) {
    for (int field = 0; field < count; ++field) {
        for (; !IsDigit(*p); ++p)
            if (*p == '\n' || *p == '\0') return false;
        const int value = ScanDigits(p);
        if (wanted & (1u << field)) numbers[field] = value;
    }
    return true;
}

// Scans as the record's handler would: each number after the bytes before it, then the text after
// its leading blanks. `line` ends with its line feed.
bool ScanText(std::string_view line, RecordScan& scan) {
    const char* p = line.data() + 1;
    const bool windowInLine = line.size() > kWindow;
    if (!(windowInLine && ScanNumbersInWindow(p, scan.numbers[1])) &&
        !ScanNumbersToLineFeed(p, 4, 0b10, scan.numbers))
        return false;
    while (*p == ' ') ++p;
    const char* end = line.data() + line.size() - 1;
    const FieldBytes bytes = ClassifyBytes(std::string_view(p, static_cast<size_t>(end - p)));
    if (bytes.zero) return false;
    scan.textBegin = static_cast<uint32_t>(p - line.data());
    scan.textEnd = static_cast<uint32_t>(line.size() - 1);
    scan.highBytes = bytes.high;
    // Converted texts are interned as converted, and names mostly come from the parser's name cache.
    scan.toIntern = line[0] != 'N' && !bytes.high;
    scan.readOnlyValue = false;
    scan.hash = bytes.high ? 0 : du::Symbol::Hash(p, static_cast<size_t>(end - p));
    return true;
}

bool Scan(std::string_view line, RecordScan& scan) {
    if (line.size() < 2 || line.back() != '\n' || line.size() > std::numeric_limits<uint32_t>::max())
        return false;
    switch (line[0]) {
        case 'I':
        case 'N':
        case 'V':
            return ScanText(line, scan);
        case 'C':
        case 'P':
        case 'X': {
            const char* p = line.data() + 1;
            return ScanNumbersToLineFeed(p, 3, 0b111, scan.numbers);
        }
        default:
            return false;
    }
}

}  // namespace

void ReadOnlyNames::Add(std::string_view name) {
    if (m_count < kMax) m_names[m_count++] = name;
}

bool ReadOnlyNames::Contains(std::string_view text) const {
    for (size_t i = 0; i < m_count; ++i)
        if (m_names[i] == text) return true;
    return false;
}

void ScanRecords(const char* bytes, const std::vector<size_t>& ends, std::vector<RecordScan>& scans,
                 const ReadOnlyNames* readOnly) {
    scans.clear();
    if (ends.size() > std::numeric_limits<uint32_t>::max()) return;
    // At once: growing a block's worth of records moved them all at every doubling, into fresh pages.
    scans.reserve(ends.size());
    int readOnlyProperty = 0;  // named by the last N record, when it is a read-only name; ids are above 0
    size_t begin = 0;
    for (size_t index = 0; index < ends.size(); begin = ends[index++]) {
        // Filled in place: a copy of the record's fields, written piecemeal, would wait on them.
        RecordScan& scan = scans.emplace_back();
        scan.line = static_cast<uint32_t>(index);
        const char* line = bytes + begin;
        if (!Scan(std::string_view(line, ends[index] - begin), scan)) {
            scans.pop_back();
            continue;
        }
        if (!readOnly) continue;
        if (line[0] == 'N') {
            const std::string_view text(line + scan.textBegin, scan.textEnd - scan.textBegin);
            readOnlyProperty = readOnly->Contains(text) ? scan.numbers[1] : 0;
        } else if (line[0] == 'V' && scan.toIntern && scan.numbers[1] == readOnlyProperty) {
            scan.toIntern = false;
            scan.readOnlyValue = true;
        }
    }
}

// A block's texts are interned as one batch (du::SymbolInternBatch): a shard's lock is taken once for
// all the block's texts that fall in it, rather than twice a text.
void InternRecordTexts(const char* bytes, const std::vector<size_t>& ends, std::vector<RecordScan>& scans) {
    du::SymbolInternBatch batch;
    for (RecordScan& scan : scans) {
        if (!scan.toIntern) continue;
        const char* line = bytes + (scan.line ? ends[scan.line - 1] : 0);
        batch.Add(line + scan.textBegin, scan.textEnd - scan.textBegin, scan.hash, scan.text);
    }
    batch.Finish();
}

}  // namespace ed
