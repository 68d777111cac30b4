#include "HtmlWriter.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

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

// Absent, empty and null members cost a 100k-row page megabytes and tell the page nothing, and the
// page shows the placement in effect, not the saved one.
void AddPresent(Json& row, const Json& members) {
    for (const auto& [key, value] : members.items())
        if (!value.is_null() && !(value.is_array() && value.empty()) && key != "savedLocation")
            row[key] = value;
}

// Properties are nearly half of a big page's data; as [name, type, value] triples they take a third
// less, and every byte saved is one less to inflate, decode and parse before the first picture.
void CompactProperties(Json& row) {
    auto list = row.find("properties");
    if (list == row.end()) return;
    for (Json& property : *list)
        property = Json::array(
            {std::move(property["name"]), std::move(property["type"]), std::move(property["value"])});
}

// A row per instance: the parent's row index (-1 for the root) and the members of ed-load's JSON
// document for the instance and its component, the properties compacted.
class PageRows : public StructureVisitor {
  public:
    explicit PageRows(GzipBase64Writer& out) : m_out(out) {}

    void Enter(const WalkStep& step) override {
        Json row = {{"parent", m_open.empty() ? -1 : static_cast<long long>(m_open.back())}};
        if (step.instance) AddPresent(row, json::InstanceHead(*step.instance));
        AddPresent(row, json::ComponentHead(step.component));
        Shorten(row);
        CompactProperties(row);
        m_out.Write((m_count > 0 ? ",\n" : "") + json::Dump(row));
        m_open.push_back(m_count++);
    }
    void Leave(const WalkStep&) override { m_open.pop_back(); }

  private:
    GzipBase64Writer& m_out;
    std::vector<size_t> m_open;  // the rows of the components entered and not yet left
    size_t m_count = 0;
};

Json Head(const LoadResult& result, const HtmlOptions& options) {
    const kxk::Structure& structure = *result.structure;
    Json head = {{"file", result.file}, {"up", options.zUp ? "z" : "y"}, {"loaded", structure.GetLoaded()}};
    if (structure.HasRootAppearanceOverride())
        head["rootAppearance"] =
            json::Appearance(structure.GetRootAppearanceOverride(), structure.IsRootAppearanceOpaque());
    if (!result.Succeeded()) head["failure"] = result.FailureReason();
    return head;
}

}  // namespace

bool WriteHtml(std::ostream& out, const LoadResult& result, const HtmlOptions& options) {
    out << html::kPageBeforeData;
    GzipBase64Writer data(out);
    std::string head = json::Dump(Head(result, options));
    head.pop_back();
    data.Write(head + ",\"rows\":[\n");
    PageRows rows(data);
    WalkStructure(*result.structure, rows);
    data.Write("]}");
    bool written = data.Finish();
    out << html::kPageAfterData;
    return written;
}

}  // namespace edload
