#include "ed/reader/Converters.h"

#include <cctype>

namespace ed {

du::EncodingConverter* Converters::Default() {
    if (!m_default) m_default = std::make_unique<du::EncodingConverter>();
    return m_default.get();
}

du::EncodingConverter* Converters::From(const du::Symbol& encoding) {
    std::string key = encoding.safe_c_str();
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto found = m_byName.find(key);
    if (found == m_byName.end()) {
        auto converter = std::make_unique<du::EncodingConverter>(encoding, du::EncodingConverter::UTF8());
        if (!converter->IsGood()) converter = nullptr;
        found = m_byName.emplace(std::move(key), std::move(converter)).first;
    }
    return found->second.get();
}

void Converters::Clear() {
    m_default = nullptr;
    m_byName.clear();
}

}  // namespace ed
