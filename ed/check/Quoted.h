#pragma once

#include <string>
#include <string_view>

namespace ed::check {

// `text` between double quotes for a message: a carriage return shows as \r, other control bytes
// and bytes of 0x80 and above as \xNN, and a text longer than a message needs is cut with "...".
std::string Quoted(std::string_view text);

}  // namespace ed::check
