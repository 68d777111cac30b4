#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace edgen {

// The texts of one catalogue part, shared by every node that places it: as in real assemblies, a few
// thousand parts (bolts, washers, brackets) are placed many times over.
struct Part {
    std::string code;      // part number
    std::string name;      // some in windows-1252, with bytes of 0x80 and above
    std::string shape;     // shape source path
    std::string box;       // bbox value, sometimes with a unit word
    std::string material;  // some in windows-1252
};

class Random;

// A bbox value of a part, sometimes with a unit word.
std::string RandomBox(Random& random);
// A part description drawn from a vocabulary ("Machined bracket for motor mount, zinc plated"): a few
// thousand combinations, so that descriptions repeat across a large file as they do in exports.
std::string RandomDescription(Random& random);

// A deterministic catalogue of parts for a seed. Not thread-safe to build, read-only afterwards.
class PartCatalog {
  public:
    PartCatalog(size_t count, uint64_t seed);

    size_t Size() const { return m_parts.size(); }
    const Part& operator[](size_t i) const { return m_parts[i]; }

  private:
    std::vector<Part> m_parts;
};

}  // namespace edgen
