#pragma once

#include <string_view>

// The page that `--format html` writes, as generated at build time from tools/ed-load/html: the
// structure's data goes between the two texts.
namespace edload::html {

extern const std::string_view kPageBeforeData;
extern const std::string_view kPageAfterData;

}  // namespace edload::html
