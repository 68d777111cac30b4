#pragma once

#include <memory>
#include <string>
#include <unordered_map>

#include "du/EncodingConverter.h"
#include "du/Symbol.h"

namespace ed {

// The character converters of one load, kept by encoding name (whatever its case) for the length of
// the load: a file that switches between encodings opens each converter once, as opening one costs
// far more than converting a line. Owns them; Clear closes them all. Not thread-safe.
class Converters {
  public:
    // The converter of files without an encoding record (UTF-8, else windows-1252). Throws when it
    // cannot be opened, so that no text is ever passed on unconverted for want of it.
    du::EncodingConverter* Default();
    // The converter from `encoding` into UTF-8; null when the system knows no such conversion. Throws
    // when the system knows it but cannot open it.
    du::EncodingConverter* From(const du::Symbol& encoding);
    void Clear();

  private:
    std::unique_ptr<du::EncodingConverter> m_default;
    // By lower-case name; null for an encoding the system does not know.
    std::unordered_map<std::string, std::unique_ptr<du::EncodingConverter>> m_byName;
};

}  // namespace ed
