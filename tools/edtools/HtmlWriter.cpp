#include "HtmlWriter.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "GltfExtras.h"
#include "GzipBase64Writer.h"
#include "HtmlPage.h"
#include "JsonValues.h"
#include "StructureWalk.h"

namespace edload {

namespace {

using json::Json;

// The JSON document's numbers carry every digit of a double; the page draws in single precision,
// and a float's shortest digits halve the text of a placement.
void Shorten(Json& value) {
    if (value.is_structured()) {
        for (Json& member : value) Shorten(member);
        return;
    }
    if (!value.is_number_float()) return;
    float single = static_cast<float>(value.get<double>());
    if (!std::isfinite(single)) return;
    char digits[32];
    *std::to_chars(digits, digits + sizeof digits - 1, single).ptr = '\0';
    value = std::strtod(digits, nullptr);
}

// The members of ed-load's JSON document that only the details panel shows. Absent, empty and null
// members cost a 100k-row page megabytes and tell the page nothing; what the scene columns carry
// (name, id, kind, placement, box) and the saved placement, which the page does not show, are left
// out. Properties become [name, type, value] triples, a third less text.
void AddDetails(Json& row, const Json& members) {
    for (const auto& [key, value] : members.items()) {
        if (value.is_null() || (value.is_array() && value.empty())) continue;
        if (key == "name" || key == "id" || key == "kind" || key == "location" || key == "savedLocation")
            continue;
        row[key] = value;
    }
    if (auto source = row.find("shapeSource"); source != row.end()) source->erase("box");
    if (auto list = row.find("properties"); list != row.end())
        for (Json& property : *list)
            property = Json::array(
                {std::move(property["name"]), std::move(property["type"]), std::move(property["value"])});
}

float Float(const Json& number) {
    return number.is_number() ? static_cast<float>(number.get<double>()) : NAN;
}

enum RowFlag : uint8_t { kProxy = 1, kHidden = 2, kLocated = 4 };

// What the first picture and the tree need, as columns that the page views as typed arrays without
// an object per row: per row the parent's row (-1 for the root), the name and the id as indexes into
// a table of distinct texts, the own colour into a table of distinct colours (none: the row takes its
// parent's), the box into a table of distinct boxes (-1 for none), the placement as 8 columns
// (translation, rotation quaternion x y z w, scale), and the flags. A column of one value after
// another deflates better than rows of mixed values, and the tables hold what many rows share:
// a big structure has a tenth as many boxes as rows.
class SceneColumns {
  public:
    void Add(long long parent, const Json& instance, const Json& component) {
        m_int.push_back(static_cast<int32_t>(parent));
        m_int.push_back(TextIndex(component["name"]));
        m_int.push_back(instance.is_null() || instance["id"] == "" ? -1 : TextIndex(instance["id"]));
        uint8_t flags = component["kind"] == "proxy" ? kProxy : 0;
        const Json none;
        const Json& appearance = instance.is_null() ? none : instance["appearance"];
        m_int.push_back(appearance.is_null() ? -1 : ColourIndex(appearance["color"]));
        const Json& location = instance.is_null() ? none : instance["location"];
        if (!location.is_null()) {
            flags |= kLocated;
            for (const Json& v : location["translation"]) m_float.push_back(Float(v));
            for (const Json& v : location["rotation"]) m_float.push_back(Float(v));
            m_float.push_back(Float(location["scale"]));
        } else {
            m_float.insert(m_float.end(), {0, 0, 0, 0, 0, 0, 1, 1});
        }
        const Json& source = component["shapeSource"];
        m_int.push_back(source.is_null() ? -1 : BoxIndex(source["box"]));
        if (!instance.is_null() && instance["visibility"] == gltf::kHidden) flags |= kHidden;
        m_flags.push_back(flags);
    }

    // The scene's bytes: the length of `head` with the tables added, the head as JSON padded to a
    // multiple of 4, then the int columns, the placement's, the box table's and the flags,
    // little-endian.
    std::string Bytes(Json head) const {
        size_t count = m_flags.size();
        head["count"] = count;
        head["texts"] = Json::array();
        head["colours"] = Json::array();
        head["boxes"] = m_boxes.order.size();
        for (const std::string* text : m_texts.order) head["texts"].push_back(*text);
        for (const Colour* colour : m_colours.order) head["colours"].push_back(*colour);
        Shorten(head["colours"]);
        std::string text = json::Dump(head);
        text.append((4 - (text.size() + 4) % 4) % 4, ' ');
        std::string bytes;
        Append(bytes, static_cast<uint32_t>(text.size()));
        bytes += text;
        for (size_t column = 0; column < kInts; ++column)
            for (size_t row = 0; row < count; ++row)
                Append(bytes, static_cast<uint32_t>(m_int[row * kInts + column]));
        for (size_t column = 0; column < kFloats; ++column)
            for (size_t row = 0; row < count; ++row) Append(bytes, Bits(m_float[row * kFloats + column]));
        for (size_t column = 0; column < std::tuple_size_v<Box>; ++column)
            for (const Box* box : m_boxes.order) Append(bytes, Bits((*box)[column]));
        bytes.append(m_flags.begin(), m_flags.end());
        return bytes;
    }

  private:
    static constexpr size_t kInts = 5, kFloats = 8;

    // A table of distinct values, listed in the order of their indexes.
    template <typename Key>
    struct Table {
        std::map<Key, int32_t> index;
        std::vector<const Key*> order;

        int32_t operator()(const Key& value) {
            auto [at, added] = index.emplace(value, static_cast<int32_t>(order.size()));
            if (added) order.push_back(&at->first);
            return at->second;
        }
    };
    using Colour = std::array<float, 4>;
    using Box = std::array<float, 6>;  // min, max

    int32_t TextIndex(const Json& text) { return text.is_string() ? m_texts(text.get<std::string>()) : -1; }
    // The page takes what is not finite as 1 in a colour and 0 in a box, and a table keyed by NaN
    // would lose its order.
    template <typename Key>
    static int32_t FiniteIndex(Table<Key>& table, const Json& values, float otherwise) {
        Key key;
        key.fill(otherwise);
        for (size_t k = 0; k < key.size() && k < values.size(); ++k)
            if (float v = Float(values[k]); std::isfinite(v)) key[k] = v;
        return table(key);
    }
    int32_t ColourIndex(const Json& colour) {
        return colour.is_array() ? FiniteIndex(m_colours, colour, 1) : -1;
    }
    int32_t BoxIndex(const Json& box) {
        if (box.is_null()) return -1;
        return FiniteIndex(
            m_boxes,
            {box["min"][0], box["min"][1], box["min"][2], box["max"][0], box["max"][1], box["max"][2]}, 0);
    }
    static uint32_t Bits(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return bits;
    }
    static void Append(std::string& bytes, uint32_t value) {
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>(value >> shift));
    }

    Table<std::string> m_texts;
    Table<Colour> m_colours;
    Table<Box> m_boxes;
    std::vector<int32_t> m_int;  // kInts per row
    std::vector<float> m_float;  // kFloats per row
    std::vector<uint8_t> m_flags;
};

// Walks the structure once into the scene columns and the details, one line of JSON per row, which
// are compressed as they come.
class PageRows : public StructureVisitor {
  public:
    explicit PageRows(GzipBase64Writer& details) : m_details(details) {}

    void Enter(const WalkStep& step) override { Enter(step, Json::object()); }
    void Enter(const WalkStep& step, Json row) {
        Json instance = step.instance ? json::InstanceHead(*step.instance) : Json();
        Json component = json::ComponentHead(step.component);
        Shorten(instance);
        Shorten(component);
        m_scene.Add(m_open.empty() ? -1 : static_cast<long long>(m_open.back()), instance, component);
        if (step.instance) AddDetails(row, instance);
        AddDetails(row, component);
        m_details.Write((m_count > 0 ? "\n" : "") + json::Dump(row));
        m_open.push_back(m_count++);
    }
    void Leave(const WalkStep&) override { m_open.pop_back(); }

    const SceneColumns& Scene() const { return m_scene; }

  private:
    GzipBase64Writer& m_details;
    SceneColumns m_scene;
    std::vector<size_t> m_open;  // the rows of the components entered and not yet left
    size_t m_count = 0;
};

}  // namespace

Json HtmlHead(const LoadResult& result, const HtmlOptions& options) {
    const kxk::Structure& structure = *result.structure;
    Json head = {{"file", result.file}, {"up", options.zUp ? "z" : "y"}, {"loaded", structure.GetLoaded()}};
    if (structure.HasRootAppearanceOverride())
        head["rootAppearance"] =
            json::Appearance(structure.GetRootAppearanceOverride(), structure.IsRootAppearanceOpaque());
    if (!result.Succeeded()) head["failure"] = result.FailureReason();
    return head;
}

// The details go last in the page, so they are held, compressed, until the scene is written.
struct HtmlRows::Parts {
    std::ostringstream details;
    GzipBase64Writer detailsData{details};
    PageRows rows{detailsData};
};

HtmlRows::HtmlRows() : m_parts(std::make_unique<Parts>()) {}

HtmlRows::~HtmlRows() = default;

void HtmlRows::Enter(const WalkStep& step) {
    m_parts->rows.Enter(step);
}

void HtmlRows::Enter(const WalkStep& step, json::Json details) {
    m_parts->rows.Enter(step, std::move(details));
}

void HtmlRows::Leave(const WalkStep& step) {
    m_parts->rows.Leave(step);
}

bool HtmlRows::Write(std::ostream& out, json::Json head) {
    bool written = m_parts->detailsData.Finish();
    out << html::kPageBeforeScene;
    GzipBase64Writer scene(out);
    scene.Write(m_parts->rows.Scene().Bytes(std::move(head)));
    written = scene.Finish() && written;
    out << html::kPageBetween << m_parts->details.str() << html::kPageAfterDetails;
    return written;
}

bool WriteHtml(std::ostream& out, const LoadResult& result, const HtmlOptions& options) {
    HtmlRows rows;
    WalkStructure(*result.structure, rows);
    return rows.Write(out, HtmlHead(result, options));
}

}  // namespace edload
