#pragma once

#include <random>
#include <string>
#include <vector>

namespace edtest {

// Writes ED text record by record, with property ids of its own.
class EdText {
  public:
    EdText() : m_text("T 1 Data\n") {}
    void Node(int id, int parent, const std::string& name) {
        m_text += "C " + std::to_string(id) + " " + std::to_string(parent) + " 0\nI 0 " + std::to_string(id) +
                  " 0 0 " + name + "\n";
    }
    void Link(int id, const std::string& file) {
        m_text += "L 0 " + std::to_string(id) + " 0 0 " + file + "\n";
    }
    void Property(int node, const std::string& name, const std::string& value) {
        std::string p = std::to_string(++m_property);
        m_text += "P " + p + " " + std::to_string(node) + " 1\nN 0 " + p + " 0 0 " + name + "\nV 0 " + p +
                  " 0 0 " + value + "\n";
    }
    const std::string& Text() const { return m_text; }

  private:
    std::string m_text;
    int m_property = 0;
};

// `count` nodes in a tree a few hundred levels deep, made the same way every time: placements with
// rotations, translations, scales and length units; colours, some translucent; boxes in various units;
// hidden instances; links; a repeated property name.
inline std::string GeneratedAssembly(int count) {
    std::mt19937 random(7);
    auto number = [&](int lo, int hi) { return std::to_string(lo + int(random() % unsigned(hi - lo + 1))); };
    EdText ed;
    std::vector<bool> isLink(count + 1, false);
    for (int id = 1; id <= count; ++id) {
        int parent = 0;
        if (id > 1) do
                parent = std::max(1, id - 1 - int(random() % 4));
            while (isLink[parent]);
        ed.Node(id, parent, "part " + std::to_string(id));
        std::string angles = number(-180, 180) + " " + number(-90, 90) + " " + number(-180, 180);
        std::string move = number(-500, 500) + " " + number(-500, 500) + " " + number(-500, 500);
        ed.Property(id, "location", angles + " " + move + (id % 10 == 0 ? (id % 20 ? " 1.25" : " 0.8") : ""));
        if (id % 7) ed.Property(id, "kxCid", "id" + std::to_string(id));
        if (id % 6 == 0) ed.Property(id, "length_unit", id % 12 ? "CM" : "M");
        if (id % 4 == 0)
            ed.Property(id, "color",
                        "0." + number(1, 9) + " 0." + number(1, 9) + " 0.5" + (id % 8 ? " 1" : " 0.5"));
        if (id % 3 == 0) {
            ed.Property(id, "shapesource", "shapes/" + std::to_string(id) + ".shp");
            ed.Property(id, "bbox",
                        "-" + number(1, 90) + " -10 0 " + number(1, 90) + " 10 " + number(1, 90) +
                            (id % 9 == 0 ? " CM" : ""));
        }
        if (id % 13 == 0) ed.Property(id, "renderenable", "0");
        if (id % 5 == 0) {
            ed.Property(id, "Material", "steel");
            ed.Property(id, "Material", "zinc plated");
        }
        if (id % 17 == 0) {
            isLink[id] = true;
            ed.Link(id, "linked" + std::to_string(id) + ".ed");
        }
    }
    return ed.Text();
}

// The values glTF cannot take as they are: colour components out of range, an inverted box, names
// that collide with each other and with the exporter's own keys.
inline std::string EdgeCases() {
    EdText ed;
    ed.Node(1, 0, "Edge Cases");
    ed.Property(1, "color", "2 -1 0.5");
    ed.Node(2, 1, "Inverted");
    ed.Property(2, "kxCid", "inverted");
    ed.Property(2, "shapesource", "shapes/inverted.shp");
    ed.Property(2, "bbox", "10 20 30 0 0 0");
    ed.Property(2, "color", "0.2 0.4 0.6 0.9");
    ed.Property(2, "Material", "steel");
    ed.Property(2, "Material", "brass");
    ed.Property(2, "Material [2]", "bronze");
    ed.Property(2, "ed:instanceId", "from a property");
    ed.Node(3, 1, "Flat");
    ed.Property(3, "shapesource", "shapes/flat.shp");
    ed.Property(3, "bbox", "0 0 0 100 100 0");
    ed.Property(3, "location", "0 0 0 0 0 0 -1");
    return ed.Text();
}

}  // namespace edtest
