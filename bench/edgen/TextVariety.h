#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_set>

namespace edgen {

// Steers the share of texts new to the file among its I, N and V lines toward a target, the one
// measure of a file that most moves a loader's symbol table: real exports give every node its own id,
// part number and file name, so about a third of their texts are new where catalogue-only files
// repeat all but a fifth. The generator asks WantNew before a text that may be either, and Counts every
// line it ends. Texts made new by construction (they carry the node's number) are not remembered, so
// the memory is that of the repeating texts alone. Not thread-safe.
class TextVariety {
  public:
    explicit TextVariety(double share) : m_target(share) {}

    bool Enabled() const { return m_target > 0; }
    // Whether the next optional text should be new to keep the share at the target.
    bool WantNew() const { return m_new < m_target * static_cast<double>(m_texts); }
    // Counts `line` (without its line feed) when it is an I, N or V record; `madeNew` says that its
    // text is new by construction.
    void Count(std::string_view line, bool madeNew);
    uint64_t Texts() const { return m_texts; }
    uint64_t NewTexts() const { return m_new; }

  private:
    double m_target;
    uint64_t m_texts = 0;
    uint64_t m_new = 0;
    std::unordered_set<uint64_t> m_seen;  // hashes of the repeating texts met so far
};

}  // namespace edgen
