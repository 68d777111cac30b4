#pragma once

#include <string>
#include <string_view>

namespace edload {

// `bytes` in base64 with padding, as data URIs and the HTML page carry binary data. Encoding a long
// text piece by piece gives the same result when every piece but the last is a multiple of 3 long.
std::string Base64(std::string_view bytes);

}  // namespace edload
