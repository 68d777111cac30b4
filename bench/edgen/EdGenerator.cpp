#include "EdGenerator.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "PartCatalog.h"
#include "Random.h"
#include "TextBuffer.h"
#include "TextVariety.h"

namespace edgen {

namespace {

// Property type ids, declared by T records at the top of the file.
enum Type { kSystem = 0, kGeometry = 1, kAppearance = 2, kDocuments = 3, kEngineering = 4, kCommercial = 5 };
const char* const kTypeNames[] = {"System",    "Geometry",    "Appearance",
                                  "Documents", "Engineering", "Commercial"};

const char* const kColors[] = {
    "0.75 0.75 0.78 1", "0.16 0.32 0.75 1", "0.1 0.1 0.1", "0.8 0.1 0.1 1",  "0.95 0.8 0.1 1",
    "0.2 0.6 0.3",      "0.6 0.6 0.6 0.5",  "1 1 1 1",     "0.4 0.25 0.1 1", "0.55 0.7 0.85 0.3",
};
const int kAngles[] = {90, 180, 270, 45};
constexpr int kMaxDepth = 24;

class Generator {
  public:
    Generator(const GeneratorOptions& options, std::FILE* out)
        : m_out(out),
          m_random(options.seed),
          m_textRandom(options.seed ^ 0x7e47a21e7e5ULL),
          m_variety(options.distinct),
          m_catalog(std::max<size_t>(32, options.nodes / 10), options.seed),
          m_lastPlaced(m_catalog.Size(), 0) {}

    bool Run(size_t nodes, GeneratorStats* stats) {
        Header();
        if (nodes > 0) Assembly(0, nodes, 0, 0);
        const bool ok = m_out.Flush();
        if (stats) {
            *stats = GeneratorStats{static_cast<size_t>(m_lastNode), m_lines, m_out.BytesWritten(),
                                    m_variety.Texts(), m_variety.NewTexts()};
        }
        return ok;
    }

  private:
    void Header() {
        Line("J windows-1252");
        for (int type = 0; type < 6; ++type) {
            m_out.Text("T ").Int(type).Char(' ').Text(kTypeNames[type]);
            End();
        }
    }

    // Sub-assemblies take big shares of what is left while much is left, so upper levels hold a few
    // dozen children and the tree is about ten levels deep at a million nodes.
    void Assembly(int parent, size_t budget, int depth, int childIndex) {
        const int id = Node(parent);
        m_out.Text("I 0 ")
            .Int(id)
            .Text(" 0 0 Assembly ")
            .Int(id)
            .Char(' ')
            .Text(m_catalog[id % m_catalog.Size()].name);
        End();
        Common(id, "A" + std::to_string(id), childIndex);
        if (m_random.Chance(0.1)) Prop(id, kGeometry, "length_unit", m_random.Chance(0.5) ? "MM" : "CM");
        const Part& part = m_catalog[id % m_catalog.Size()];
        Plain(id, part, TextsOf(part, id).partNumber);
        Extras(id, 0.08);
        size_t remaining = budget - 1;
        for (int child = 1; remaining > 0; ++child) {
            const bool large = remaining > 200;
            if (remaining > 1 && depth < kMaxDepth && m_random.Chance(large ? 0.6 : 0.25)) {
                const double share = large ? 0.5 : 0.4;
                size_t size = 2 + m_random.Below(std::max<size_t>(1, static_cast<size_t>(remaining * share)));
                size = std::min(size, remaining);
                Assembly(id, size, depth + 1, child);
                remaining -= size;
            } else {
                Piece(id, child);
                --remaining;
            }
        }
    }

    void Piece(int parent, int childIndex) {
        const size_t k = m_random.Below(m_catalog.Size());
        const Part& part = m_catalog[k];
        const std::string cid = part.code + ":" + std::to_string(childIndex);
        if (m_lastPlaced[k] != 0 && m_random.Chance(0.02)) {
            // A copy of an earlier placement: own id and placement, everything else from the source.
            const int id = ++m_lastNode;
            m_out.Text("X ").Int(id).Char(' ').Int(parent).Char(' ').Int(m_lastPlaced[k]);
            End();
            Common(id, cid, childIndex);
            return;
        }
        const int id = Node(parent);
        const PartTexts texts = TextsOf(part, id);
        m_out.Text("I 0 ").Int(id).Text(" 0 0 ").Text(texts.name);
        End(texts.name.size() != part.name.size());
        if (m_random.Chance(0.005)) {
            m_out.Text("L 0 ").Int(id).Text(" 0 0 linked/").Text(part.code).Text(".ed");
            End();
            Common(id, cid, childIndex);
            return;
        }
        m_lastPlaced[k] = id;
        Common(id, cid, childIndex);
        if (m_random.Chance(0.9)) Prop(id, kGeometry, "shapesource", texts.shape, texts.shape != part.shape);
        if (m_random.Chance(0.85)) Prop(id, kGeometry, "bbox", Box(part));
        Plain(id, part, texts.partNumber);
        Extras(id, 0.01);
    }

    int Node(int parent) {
        const int id = ++m_lastNode;
        m_out.Text("C ").Int(id).Char(' ').Int(parent).Text(" 0");
        End();
        return id;
    }

    // The texts a node takes from its catalogue part, or its own ones when the file asks for new texts.
    struct PartTexts {
        std::string name, partNumber, shape;
    };
    PartTexts TextsOf(const Part& part, int id) {
        if (!m_variety.Enabled()) return {part.name, part.code, part.shape};
        PartTexts texts;
        texts.partNumber = part.code + "-" + std::to_string(id);
        texts.shape = "shapes/" + texts.partNumber + ".shp";
        texts.name = m_variety.WantNew() ? part.name + " - " + texts.partNumber : part.name;
        return texts;
    }

    std::string Box(const Part& part) {
        return m_variety.Enabled() && m_variety.WantNew() ? RandomBox(m_textRandom) : part.box;
    }

    // A node's own component id, as exporters write them: 32 hex digits, the last ones the node's number.
    std::string UniqueId(int id) {
        char text[48];
        std::snprintf(text, sizeof text, "%08llx-%04llx-%04llx-%04llx-%012x",
                      static_cast<unsigned long long>(m_textRandom.Next() >> 32),
                      static_cast<unsigned long long>(m_textRandom.Below(0x10000)),
                      static_cast<unsigned long long>(m_textRandom.Below(0x10000)),
                      static_cast<unsigned long long>(m_textRandom.Below(0x10000)),
                      static_cast<unsigned>(id));
        return text;
    }

    // Component id, location and, on some nodes, a colour.
    void Common(int id, const std::string& cid, int childIndex) {
        if (m_variety.Enabled())
            Prop(id, kSystem, "kxCid", UniqueId(id), true);
        else
            Prop(id, kSystem, "kxCid", cid);
        Value(Begin(id, kGeometry, "location"));
        if (m_random.Chance(0.05)) {
            m_out.Text("0 0 0 0 0 0");
            End();
        } else {
            for (int axis = 0; axis < 3; ++axis) {
                const bool turned = m_random.Chance(0.1);
                m_out.Int(turned ? kAngles[m_random.Below(4)] : 0).Char(' ');
            }
            m_out.Fixed(m_random.Between(-500, 500), 3).Char(' ').Fixed(25.0 * childIndex, 1).Char(' ');
            m_out.Fixed(m_random.Between(-200, 800), 2);
            End();
        }
        if (m_random.Chance(0.2)) Prop(id, kAppearance, "color", kColors[m_random.Below(10)]);
    }

    // Three or four plain properties of several types, and a description when texts vary.
    void Plain(int id, const Part& part, const std::string& partNumber) {
        Prop(id, kCommercial, "Part Number", partNumber, partNumber.size() != part.code.size());
        Prop(id, kEngineering, "Material", part.material);
        Value(Begin(id, kEngineering, "Mass"));
        m_out.Fixed(m_random.Between(0.001, 80), 3).Text(" kg");
        End();
        if (m_random.Chance(0.5)) {
            const char revision[] = {static_cast<char>('A' + m_random.Below(6)), '\0'};
            Prop(id, kCommercial, "Revision", revision);
        }
        if (m_variety.Enabled()) {
            std::string description = RandomDescription(m_textRandom);
            const bool own = m_variety.WantNew();
            if (own) description += ", item " + std::to_string(id);
            Prop(id, kEngineering, "Description", description, own);
        }
    }

    // Documents, views, view states, layer groups, thumbnails and hidden nodes, on a few nodes.
    void Extras(int id, double chance) {
        if (m_random.Chance(chance)) {
            Value(Begin(id, kDocuments, "document"));
            m_out.Text("<!docs/!>D").Int(id).Text("-datasheet.pdf");
            End();
        }
        if (m_random.Chance(chance / 2)) {
            const int property = Begin(id, kGeometry, "view");
            Value(property);
            m_out.Text("1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 Front");
            End();
            Value(property);
            m_out.Text("1 0 0 0 0 0 -1 0 0 1 0 0 0 0 0 1 Top");
            End();
        }
        if (m_random.Chance(chance / 3)) {
            Value(Begin(id, kGeometry, "__kx_modelviewstate"));
            m_out.Text("0 A").Int(id).Text(".asm Default");
            End();
            Value(Begin(id, kGeometry, "__kx_modellayergroup"));
            m_out.Text("Fasteners L").Int(id).Text(" L").Int(id + 1).Text(" L").Int(id + 2);
            End();
        }
        if (m_random.Chance(chance / 3)) {
            Value(Begin(id, kAppearance, "__kx_modelthumbnail"));
            m_out.Text("thumbnails/T").Int(id).Text(".png");
            End();
        }
        if (m_random.Chance(0.005)) Prop(id, kAppearance, "renderenable", "0");
    }

    // P and N records of a new property; returns its id.
    int Begin(int node, int type, std::string_view name) {
        const int property = ++m_lastProperty;
        m_out.Text("P ").Int(property).Char(' ').Int(node).Char(' ').Int(type);
        End();
        m_out.Text("N 0 ").Int(property).Text(" 0 0 ").Text(name);
        End();
        return property;
    }
    // Starts a V record; the caller writes the value and ends the line.
    void Value(int property) { m_out.Text("V 0 ").Int(property).Text(" 0 0 "); }
    // `isNew`: the value carries the node's number, so no earlier text can be the same.
    void Prop(int node, int type, std::string_view name, std::string_view value, bool isNew = false) {
        Value(Begin(node, type, name));
        m_out.Text(value);
        End(isNew);
    }
    void Line(std::string_view text) {
        m_out.Text(text);
        End();
    }
    void End(bool isNew = false) {
        m_variety.Count(m_out.Line(), isNew);
        m_out.EndLine();
        ++m_lines;
    }

    TextBuffer m_out;
    Random m_random;      // the tree and its placements
    Random m_textRandom;  // the texts that only a file of new texts has, so that its tree is the same
    TextVariety m_variety;
    PartCatalog m_catalog;
    std::vector<int> m_lastPlaced;  // the last node that placed each part, 0 before the first
    int m_lastNode = 0;
    int m_lastProperty = 0;
    size_t m_lines = 0;
};

}  // namespace

bool GenerateEd(const GeneratorOptions& options, std::FILE* out, GeneratorStats* stats) {
    return Generator(options, out).Run(options.nodes, stats);
}

bool GenerateEdFile(const GeneratorOptions& options, const std::string& path, std::string& error,
                    GeneratorStats* stats) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        error = "cannot write \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    bool ok = GenerateEd(options, out, stats);
    ok = std::fclose(out) == 0 && ok;
    if (!ok) error = "cannot write \"" + path + "\": " + std::strerror(errno);
    return ok;
}

}  // namespace edgen
