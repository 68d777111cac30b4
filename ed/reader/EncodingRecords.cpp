#include <strings.h>

#include "ed/reader/Parser.h"

namespace ed {

namespace {

bool IsUtf8(const du::Symbol& name) {
    return strcasecmp(name.c_str(), "utf8") == 0 || strcasecmp(name.c_str(), "utf-8") == 0;
}

}  // namespace

void Parser::AddEncoding() {
    const du::Symbol name(ScanTail(false));
    if (!name.has_text() || IsUtf8(name)) {
        m_converter = nullptr;
        return;
    }
    // The default converter, too, stays for its own name ("UTF-8, else windows-1252").
    if (m_converter && strcasecmp(m_converter->GetFromEncoding().safe_c_str(), name.c_str()) == 0) return;
    // An encoding the system does not know leaves text unconverted rather than failing the file.
    m_converter = m_converters.From(name);
}

void Parser::AddCharset() {
    NotYetImplemented("AddCharset");
}

}  // namespace ed
