#include <string>

#include "ed/reader/Parser.h"

namespace ed {

namespace {

const char kOpen[] = "<!";
const char kClose[] = "!>";
constexpr size_t kMarkerLength = 2;

// Assembles the visible text of `value` with its hidden segments kept or dropped. An opening marker
// without a closing one ends the value.
du::Symbol Resolve(const du::Symbol& value, size_t open, bool keepHidden) {
    const char* text = value.safe_c_str();
    std::string result;
    size_t copy = 0;
    do {
        result.append(text + copy, open - copy);
        const size_t close = value.find(kClose, open + kMarkerLength);
        if (close == du::Symbol::npos) return du::Symbol(result);
        if (keepHidden) result.append(text + open + kMarkerLength, close - open - kMarkerLength);
        copy = close + kMarkerLength;
        open = value.find(kOpen, copy);
    } while (open != du::Symbol::npos);
    result.append(text + copy);
    return du::Symbol(result);
}

}  // namespace

du::Symbol Parser::GetFileName(const du::Symbol& value) {
    const size_t open = value.find(kOpen, 0);
    return open == du::Symbol::npos ? value : Resolve(value, open, true);
}

du::Symbol Parser::GetDisplayName(const du::Symbol& value) {
    const size_t open = value.find(kOpen, 0);
    return open == du::Symbol::npos ? du::Symbol::EMPTY : Resolve(value, open, false);
}

}  // namespace ed
