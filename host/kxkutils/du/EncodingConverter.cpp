#include "du/EncodingConverter.h"

#include <iconv.h>

#include <strings.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "du/Env.h"

namespace du {

namespace {

const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

// The offset of the first byte of `text` that is not well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF), or npos when all of it is.
size_t FirstInvalidUtf8(const std::string& text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    for (size_t i = 0; i < size;) {
        const unsigned c = p[i];
        size_t n;
        unsigned low = 0x80, high = 0xbf;  // the range of the second byte
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xc2 && c <= 0xdf) {
            n = 2;
        } else if (c >= 0xe0 && c <= 0xef) {
            n = 3;
            if (c == 0xe0) low = 0xa0;
            if (c == 0xed) high = 0x9f;
        } else if (c >= 0xf0 && c <= 0xf4) {
            n = 4;
            if (c == 0xf0) low = 0x90;
            if (c == 0xf4) high = 0x8f;
        } else {
            return i;
        }
        if (i + n > size || p[i + 1] < low || p[i + 1] > high) return i;
        for (size_t k = 2; k < n; ++k)
            if ((p[i + k] & 0xc0) != 0x80) return i;
        i += n;
    }
    return std::string::npos;
}

bool IsUtf8Name(const Symbol& name) {
    return strcasecmp(name.safe_c_str(), "UTF-8") == 0 || strcasecmp(name.safe_c_str(), "UTF8") == 0;
}

bool IsWindows1252Name(const Symbol& name) {
    return strcasecmp(name.safe_c_str(), "windows-1252") == 0 || strcasecmp(name.safe_c_str(), "CP1252") == 0;
}

}  // namespace

// windows-1252 maps each byte on its own, without state, to at most three bytes of UTF-8.
struct EncodingConverter::ByteTable {
    char utf8[256][4];
    uint8_t length[256];  // 0: iconv refuses the byte

    // Null when iconv does not convert the bytes one by one, as a single-byte encoding would.
    static std::unique_ptr<ByteTable> Fill(void* descriptor) {
        iconv_t cd = static_cast<iconv_t>(descriptor);
        if (!cd) return nullptr;
        std::unique_ptr<ByteTable> table(new ByteTable);
        for (unsigned byte = 0; byte < 256; ++byte) {
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            char in = static_cast<char>(byte);
            char* inAt = &in;
            size_t inLeft = 1;
            char out[16];
            char* outAt = out;
            size_t outLeft = sizeof out;
            table->length[byte] = 0;
            if (iconv(cd, &inAt, &inLeft, &outAt, &outLeft) == static_cast<size_t>(-1)) {
                if (errno != EILSEQ) return nullptr;
                continue;
            }
            if (iconv(cd, nullptr, nullptr, &outAt, &outLeft) == static_cast<size_t>(-1)) return nullptr;
            const size_t produced = sizeof out - outLeft;
            if (produced == 0 || produced > sizeof table->utf8[0]) return nullptr;
            // What the converter's final check would refuse stays refused.
            if (FirstInvalidUtf8(std::string(out, produced)) != std::string::npos) continue;
            std::memcpy(table->utf8[byte], out, produced);
            table->length[byte] = static_cast<uint8_t>(produced);
        }
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        return table;
    }
};

const Symbol& EncodingConverter::UTF8() {
    static const Symbol name("UTF-8");
    return name;
}

// The default converter accepts what most ED files hold: UTF-8 from current writers, passed through,
// and windows-1252 from older ones, converted. A text is taken as UTF-8 only when all of it is valid
// UTF-8 (iconv's UTF-8 decoder checks that); real windows-1252 text almost never is. Its source name
// is no encoding name of its own, so that an encoding record naming windows-1252 gets a strict
// windows-1252 converter, which also converts text that happens to be valid UTF-8. The five bytes
// that windows-1252 leaves undefined fail the conversion.
// Text is never passed on unconverted because a converter could not be had: the load fails instead.
EncodingConverter::EncodingConverter()
    : m_from("UTF-8, else windows-1252"),
      m_to(UTF8()),
      m_descriptor(Open(UTF8(), UTF8())),
      m_fallbackDescriptor(Open(Symbol("windows-1252"), m_to)),
      m_table(ByteTable::Fill(m_fallbackDescriptor.get())),
      m_passValidUtf8(true) {
    if (!IsGood())
        throw std::system_error(EINVAL, std::generic_category(), "no UTF-8 or windows-1252 converter");
}

EncodingConverter::EncodingConverter(const Symbol& from, const Symbol& to)
    : m_from(from),
      m_to(to),
      m_descriptor(Open(from, to)),
      m_table(IsWindows1252Name(from) && IsUtf8Name(to) ? ByteTable::Fill(m_descriptor.get()) : nullptr),
      m_passValidUtf8(false) {}

EncodingConverter::~EncodingConverter() = default;

void EncodingConverter::Close::operator()(void* descriptor) const noexcept {
    iconv_close(static_cast<iconv_t>(descriptor));
}

// Only a conversion the system does not know (EINVAL) makes a converter that is not good.
EncodingConverter::Descriptor EncodingConverter::Open(const Symbol& from, const Symbol& to) {
    // iconv_open takes "" for the locale's own encoding; a nameless encoding here means none at all.
    if (!from.has_text() || !to.has_text()) return nullptr;
    void* descriptor = Env::Get().OpenConverter(to.c_str(), from.c_str());
    if (descriptor != kNoDescriptor) return Descriptor(descriptor);
    const int error = errno;
    if (error == ENOMEM) Env::NoteAndThrow();
    if (error != EINVAL) throw std::system_error(error, std::generic_category(), "cannot open a converter");
    return nullptr;
}

bool EncodingConverter::IsGood() const {
    return m_descriptor && (!m_passValidUtf8 || m_fallbackDescriptor);
}

bool EncodingConverter::Convert(const std::string& input, std::string& output, size_t*) {
    if (!IsGood()) return false;
    // Always convert into the scratch string, so that `output` may be `input` and a failed first
    // attempt of the default converter leaves the input intact for the second.
    bool ok;
    if (m_passValidUtf8) {
        ok = ConvertWith(m_descriptor.get(), input, m_scratch);
        if (!ok)
            ok = m_table ? ConvertWith(*m_table, input, m_scratch)
                         : ConvertWith(m_fallbackDescriptor.get(), input, m_scratch);
    } else {
        ok = m_table ? ConvertWith(*m_table, input, m_scratch)
                     : ConvertWith(m_descriptor.get(), input, m_scratch);
    }
    if (ok) output.swap(m_scratch);
    return ok;
}

bool EncodingConverter::ConvertWith(const ByteTable& table, const std::string& input, std::string& output) {
    output.resize(input.size() * sizeof table.utf8[0]);
    char* out = output.data();
    for (const char c : input) {
        const auto byte = static_cast<unsigned char>(c);
        const size_t length = table.length[byte];
        if (length == 0) return false;
        std::memcpy(out, table.utf8[byte], sizeof table.utf8[0]);
        out += length;
    }
    output.resize(static_cast<size_t>(out - output.data()));
    return true;
}

bool EncodingConverter::ConvertWith(void* descriptor, const std::string& input, std::string& output) {
    iconv_t cd = static_cast<iconv_t>(descriptor);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // a failed call may have left a shift state
    // Most conversions into UTF-8 grow the text by at most half; E2BIG grows the output further.
    output.resize(input.size() + input.size() / 2 + 16);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    size_t produced = 0;
    bool flushing = false;
    for (;;) {
        char* out = &output[produced];
        size_t outLeft = output.size() - produced;
        size_t rc =
            flushing ? iconv(cd, nullptr, nullptr, &out, &outLeft) : iconv(cd, &in, &inLeft, &out, &outLeft);
        produced = output.size() - outLeft;
        if (rc != static_cast<size_t>(-1)) {
            if (flushing) break;
            // All input taken; stateful encodings may still owe a closing shift sequence.
            flushing = true;
            continue;
        }
        if (errno == E2BIG) {
            output.resize(output.size() * 2);
            continue;
        }
        // EILSEQ: a byte sequence invalid in the source encoding; EINVAL: the input ends inside one.
        output.resize(produced);
        return false;
    }
    output.resize(produced);
    // iconv reads UCS-4 values up to 2^31 and writes them, like UTF-8 input above U+10FFFF, as the long
    // forms that UTF-8 no longer allows; text handed on as UTF-8 must be UTF-8.
    const size_t invalid = IsUtf8Name(m_to) ? FirstInvalidUtf8(output) : std::string::npos;
    if (invalid != std::string::npos) {
        output.resize(invalid);
        return false;
    }
    return true;
}

}  // namespace du
