#include <strings.h>

#include "ed/reader/Parser.h"

namespace ed {

namespace {

bool SameEncoding(const du::Symbol& a, const du::Symbol& b) {
    return strcasecmp(a.safe_c_str(), b.safe_c_str()) == 0;
}

bool IsUtf8(const du::Symbol& name) {
    return strcasecmp(name.c_str(), "utf8") == 0 || strcasecmp(name.c_str(), "utf-8") == 0;
}

}  // namespace

void Parser::AddEncoding() {
    const du::Symbol name(ScanTail(false));
    if (!name.has_text() || IsUtf8(name)) {
        m_converter.reset();
        return;
    }
    if (m_converter && SameEncoding(m_converter->GetFromEncoding(), name)) return;
    m_converter.reset();
    std::unique_ptr<du::EncodingConverter> converter(
        new du::EncodingConverter(name, du::EncodingConverter::UTF8()));
    // An encoding the converter cannot serve leaves text unconverted rather than failing the file.
    if (converter->IsGood()) m_converter = std::move(converter);
}

void Parser::AddCharset() {
    NotYetImplemented("AddCharset");
}

}  // namespace ed
