#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace edload {

// The length of the well-formed multi-byte UTF-8 sequence at the start of `text`: 0 when there is
// none, and for an ASCII byte. The ranges rule out overlong forms, surrogates and code points past
// U+10FFFF.
size_t Utf8SequenceLength(std::string_view text);

// Whether all of `text` is well-formed UTF-8.
bool IsUtf8(std::string_view text);

// `text` with every byte that starts no well-formed sequence replaced by U+FFFD, for a reader that
// insists on UTF-8.
std::string ValidUtf8(std::string_view text);

}  // namespace edload
