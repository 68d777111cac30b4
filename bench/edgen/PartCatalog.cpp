#include "PartCatalog.h"

#include <cstdio>

#include "Random.h"

namespace edgen {

namespace {

// Part families; the escaped bytes are windows-1252 (umlauts, sharp s, O with stroke, en dash,
// low and high quotes), as older exporters wrote them.
const char* const kFamilies[] = {
    "Hex Bolt",
    "Socket Screw",
    "Washer",
    "Hex Nut",
    "Bracket",
    "Shaft",
    "Ball Bearing",
    "Geh\xE4use",
    "Dichtung",
    "Scheibe \xD8",
    "St\xF6\xDF"
    "el",
    "Kabelf\xFChrung",
    "Ventil \x96 VA",
    "Mutter \x84verz.\x93",
    "Spring Pin",
    "O-Ring",
    "Cover Plate",
    "Flange",
    "Spacer",
    "Clamp",
    "Gear",
    "Pulley",
    "Terminal",
    "Connector",
};
const char* const kMaterials[] = {
    "S235JR steel",
    "1.4301 stainless",
    "EN AW-6082 T6",
    "Messing \x96 CuZn39Pb3",
    "PA66 GF30",
    "Stahl verzinkt",
    "EN-GJL-250 grey cast iron",
    "NBR 70 Shore A",
    "POM-C",
    "C45E",
};
const char* const kSizes[] = {"M3", "M4", "M5", "M6", "M8", "M10", "M12", "M16", "M20", "M24"};

template <class T, size_t N>
constexpr size_t Count(const T (&)[N]) {
    return N;
}

const char* const kMaking[] = {"Machined", "Cast", "Forged",   "Welded",   "Moulded",   "Turned",
                               "Stamped",  "Bent", "Sintered", "Extruded", "Laser-cut", "Ground"};
const char* const kItems[] = {"bracket", "housing", "cover", "shaft", "bushing", "spacer",
                              "flange",  "plate",   "lever", "pin",   "sleeve",  "adapter",
                              "support", "guide",   "clamp", "ring"};
const char* const kUses[] = {"motor mount",  "pump casing", "drive side", "valve stem",
                             "sensor",       "cable entry", "inlet",      "outlet",
                             "bearing seat", "frame",       "door hinge", "gearbox"};
const char* const kFinishes[] = {"zinc plated",   "painted RAL 5015", "anodised", "untreated",
                                 "powder coated", "blackened",        "polished", "primed"};

template <class T, size_t N>
const char* Pick(Random& random, const T (&words)[N]) {
    return words[random.Below(N)];
}

}  // namespace

std::string RandomDescription(Random& random) {
    return std::string(Pick(random, kMaking)) + " " + Pick(random, kItems) + " for " + Pick(random, kUses) +
           ", " + Pick(random, kFinishes);
}

std::string RandomBox(Random& random) {
    std::string text;
    char number[32];
    const double x = random.Between(2, 400), y = random.Between(2, 400), z = random.Between(1, 600);
    std::snprintf(number, sizeof number, "%.1f %.1f 0 %.1f %.1f %.1f", -x / 2, -y / 2, x / 2, y / 2, z);
    text = number;
    const uint64_t unit = random.Below(100);
    if (unit < 5)
        text += " CM";
    else if (unit < 7)
        text += " INCH";
    else if (unit < 12)
        text += " MM";
    return text;
}

PartCatalog::PartCatalog(size_t count, uint64_t seed) {
    Random random(seed ^ 0x5eed0fca7a109ULL);
    m_parts.reserve(count);
    char code[32];
    for (size_t i = 0; i < count; ++i) {
        Part part;
        std::snprintf(code, sizeof code, "P%06zu-%02u", i, static_cast<unsigned>(random.Below(100)));
        part.code = code;
        part.name = std::string(kFamilies[i % Count(kFamilies)]) + " " +
                    kSizes[(i / Count(kFamilies)) % Count(kSizes)] + "x" +
                    std::to_string(10 + 5 * (i / (Count(kFamilies) * Count(kSizes)) % 40));
        part.shape = "shapes/" + part.code + ".shp";
        part.box = RandomBox(random);
        part.material = kMaterials[random.Below(Count(kMaterials))];
        m_parts.push_back(std::move(part));
    }
}

}  // namespace edgen
