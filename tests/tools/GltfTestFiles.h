#pragma once

#include <random>
#include <string>
#include <vector>

#include "support/EdText.h"

namespace edtest {

// `count` nodes in a tree a few hundred levels deep, made the same way every time: placements with
// rotations, translations, scales and length units; colours, some translucent; boxes in various units;
// hidden instances; links; a repeated property name.
inline std::string GeneratedAssembly(int count) {
    std::mt19937 random(7);
    auto number = [&](int lo, int hi) { return std::to_string(lo + int(random() % unsigned(hi - lo + 1))); };
    EdText ed;
    ed.Type(1, "Data");
    std::vector<bool> isLink(count + 1, false);
    for (int id = 1; id <= count; ++id) {
        int parent = 0;
        if (id > 1) do
                parent = std::max(1, id - 1 - int(random() % 4));
            while (isLink[parent]);
        ed.Node(id, parent, "part " + std::to_string(id));
        std::string angles = number(-180, 180) + " " + number(-90, 90) + " " + number(-180, 180);
        std::string move = number(-500, 500) + " " + number(-500, 500) + " " + number(-500, 500);
        ed.Prop(id, "location", {angles + " " + move + (id % 10 == 0 ? (id % 20 ? " 1.25" : " 0.8") : "")});
        if (id % 7) ed.Prop(id, "kxCid", {"id" + std::to_string(id)});
        if (id % 6 == 0) ed.Prop(id, "length_unit", {id % 12 ? "CM" : "M"});
        if (id % 4 == 0)
            ed.Prop(id, "color",
                    {"0." + number(1, 9) + " 0." + number(1, 9) + " 0.5" + (id % 8 ? " 1" : " 0.5")});
        if (id % 3 == 0) {
            ed.Prop(id, "shapesource", {"shapes/" + std::to_string(id) + ".shp"});
            ed.Prop(id, "bbox",
                    {"-" + number(1, 90) + " -10 0 " + number(1, 90) + " 10 " + number(1, 90) +
                     (id % 9 == 0 ? " CM" : "")});
        }
        if (id % 13 == 0) ed.Prop(id, "renderenable", {"0"});
        if (id % 5 == 0) {
            ed.Prop(id, "Material", {"steel"});
            ed.Prop(id, "Material", {"zinc plated"});
        }
        if (id % 17 == 0) {
            isLink[id] = true;
            ed.Link(id, "linked" + std::to_string(id) + ".ed");
        }
    }
    return ed.Str();
}

// The values glTF cannot take as they are: colour components out of range, an inverted box, names
// that collide with each other and with the exporter's own keys.
inline std::string EdgeCases() {
    EdText ed;
    ed.Type(1, "Data");
    ed.Node(1, 0, "Edge Cases");
    ed.Prop(1, "color", {"2 -1 0.5"});
    ed.Node(2, 1, "Inverted");
    ed.Prop(2, "kxCid", {"inverted"});
    ed.Prop(2, "shapesource", {"shapes/inverted.shp"});
    ed.Prop(2, "bbox", {"10 20 30 0 0 0"});
    ed.Prop(2, "color", {"0.2 0.4 0.6 0.9"});
    ed.Prop(2, "Material", {"steel"});
    ed.Prop(2, "Material", {"brass"});
    ed.Prop(2, "Material [2]", {"bronze"});
    ed.Prop(2, "ed:instanceId", {"from a property"});
    ed.Node(3, 1, "Flat");
    ed.Prop(3, "shapesource", {"shapes/flat.shp"});
    ed.Prop(3, "bbox", {"0 0 0 100 100 0"});
    ed.Prop(3, "location", {"0 0 0 0 0 0 -1"});
    return ed.Str();
}

}  // namespace edtest
