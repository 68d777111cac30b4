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
    // An encoding the system does not know leaves text unconverted rather than failing the file.
    m_converter = !name.has_text() || IsUtf8(name) ? nullptr : m_converters.From(name);
}

void Parser::AddCharset() {
    NotYetImplemented("AddCharset");
}

}  // namespace ed
