#pragma once

#include <string_view>

// The page that `--format html` writes, as generated at build time from tools/edtools/html: the
// scene's data goes between the first two texts, the details' between the last two.
namespace edload::html {

extern const std::string_view kPageBeforeScene;
extern const std::string_view kPageBetween;
extern const std::string_view kPageAfterDetails;

}  // namespace edload::html
