#include "TextPool.h"

#include "Utf8.h"

namespace edloader {

const char* TextPool::Add(std::string_view text) {
    return m_texts.insert(edload::ValidUtf8(text)).first->c_str();
}

const char* TextPool::AddSymbol(const du::Symbol& text) {
    if (text.is_null()) return nullptr;
    return Add(std::string_view(text.safe_c_str(), text.length()));
}

}  // namespace edloader
