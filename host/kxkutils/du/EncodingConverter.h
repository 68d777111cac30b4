#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "du/Symbol.h"

namespace du {

// Converts text between character encodings with the C library's iconv. Names are those iconv
// knows ("Shift_JIS", "windows-1252", "CP932", "UTF-16LE", ...), matched case-insensitively.
// One converter serves one thread at a time.
class EncodingConverter {
  public:
    // Reads UTF-8: valid UTF-8 passes unchanged, anything else is taken as windows-1252 (the legacy
    // encoding that files without an encoding record are most often written in). Both conversions
    // must open: throws std::bad_alloc, or std::system_error with the reason, when one cannot.
    EncodingConverter();
    // Not good (IsGood) when the system knows no such conversion; throws std::bad_alloc, or
    // std::system_error with the reason, when it knows it but cannot open it.
    EncodingConverter(const Symbol& from, const Symbol& to);
    ~EncodingConverter();
    EncodingConverter(const EncodingConverter&) = delete;
    EncodingConverter& operator=(const EncodingConverter&) = delete;

    static const Symbol& UTF8();

    // False when iconv knows no conversion between the two encodings.
    bool IsGood() const;
    // The encoding converted from, as it was named.
    const Symbol& GetFromEncoding() const { return m_from; }

    // Converts `input` into `output` (which may be the same string). False on invalid or truncated
    // input; `output` is then unspecified. The error offset is part of the host's signature; loaders
    // pass null and the stand-in leaves it alone.
    bool Convert(const std::string& input, std::string& output, size_t* errorOffset = nullptr);

  private:
    struct ByteTable;
    struct Close {
        void operator()(void* descriptor) const noexcept;
    };
    // An iconv_t; null when not good.
    using Descriptor = std::unique_ptr<void, Close>;

    static Descriptor Open(const Symbol& from, const Symbol& to);
    bool ConvertWith(void* descriptor, const std::string& input, std::string& output);
    static bool ConvertWith(const ByteTable& table, const std::string& input, std::string& output);

    Symbol m_from;
    Symbol m_to;
    // For the default converter UTF-8 -> UTF-8, a validity check.
    Descriptor m_descriptor;
    Descriptor m_fallbackDescriptor;  // windows-1252 -> UTF-8 for the default converter
    // What iconv makes of each single byte, for windows-1252 into UTF-8 (strict or as the fallback):
    // a table lookup a byte instead of an iconv call a text. Null for every other pair.
    std::unique_ptr<ByteTable> m_table;
    bool m_passValidUtf8;
    std::string m_scratch;  // output of an in-place conversion; keeps its capacity between calls
};

}  // namespace du
