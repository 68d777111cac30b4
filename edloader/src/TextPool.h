#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

#include "du/Symbol.h"

namespace edloader {

// The texts of one snapshot, each kept once and handed out as a NUL-terminated UTF-8 pointer that
// stays valid as long as the pool: a large structure repeats its property names and values many
// times. Bytes that are not UTF-8 become U+FFFD, so that a caller can pass any text on to a language
// that insists on UTF-8. One thread fills a pool; then it is read-only.
class TextPool {
  public:
    const char* Add(std::string_view text);
    // NULL for a null symbol.
    const char* AddSymbol(const du::Symbol& text);

  private:
    std::unordered_set<std::string> m_texts;  // nodes never move, so their c_str() stay put
};

}  // namespace edloader
