#include "du/EncodingConverter.h"

#include <iconv.h>

#include <strings.h>

#include <cerrno>
#include <cstring>

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

iconv_t Open(const Symbol& from, const Symbol& to) {
    // iconv_open takes "" for the locale's own encoding; a nameless encoding here means none at all.
    if (!from.has_text() || !to.has_text()) return kNoDescriptor;
    return iconv_open(to.c_str(), from.c_str());
}

}  // namespace

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
EncodingConverter::EncodingConverter()
    : m_from("UTF-8, else windows-1252"),
      m_to(UTF8()),
      m_descriptor(Open(UTF8(), UTF8())),
      m_fallbackDescriptor(Open(Symbol("windows-1252"), m_to)),
      m_passValidUtf8(true) {}

EncodingConverter::EncodingConverter(const Symbol& from, const Symbol& to)
    : m_from(from),
      m_to(to),
      m_descriptor(Open(from, to)),
      m_fallbackDescriptor(kNoDescriptor),
      m_passValidUtf8(false) {}

EncodingConverter::~EncodingConverter() {
    if (m_descriptor != kNoDescriptor) iconv_close(static_cast<iconv_t>(m_descriptor));
    if (m_fallbackDescriptor != kNoDescriptor) iconv_close(static_cast<iconv_t>(m_fallbackDescriptor));
}

bool EncodingConverter::IsGood() const {
    return m_descriptor != kNoDescriptor && (!m_passValidUtf8 || m_fallbackDescriptor != kNoDescriptor);
}

bool EncodingConverter::Convert(const std::string& input, std::string& output, size_t*) {
    if (!IsGood()) return false;
    // Always convert into the scratch string, so that `output` may be `input` and a failed first
    // attempt of the default converter leaves the input intact for the second.
    bool ok = ConvertWith(m_descriptor, input, m_scratch);
    if (!ok && m_passValidUtf8) ok = ConvertWith(m_fallbackDescriptor, input, m_scratch);
    if (ok) output.swap(m_scratch);
    return ok;
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
