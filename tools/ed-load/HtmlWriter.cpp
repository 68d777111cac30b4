#include "HtmlWriter.h"

#include <string>
#include <vector>

#include "HtmlPage.h"
#include "JsonValues.h"
#include "StructureWalk.h"

namespace edload {

namespace {

using json::Json;

// The data sits in a script element, which only "</script" or "<!--" could end or derail; '<' occurs
// in JSON text only inside strings, where its escape means the same.
void PutScriptSafe(std::ostream& out, const std::string& text) {
    size_t from = 0;
    for (size_t at = text.find('<'); at != std::string::npos; from = at + 1, at = text.find('<', from))
        out.write(text.data() + from, static_cast<std::streamsize>(at - from)) << "\\u003c";
    out.write(text.data() + from, static_cast<std::streamsize>(text.size() - from));
}

// Absent, empty and null members cost a 100k-row page megabytes and tell the page nothing.
void AddPresent(Json& row, const Json& members) {
    for (const auto& [key, value] : members.items())
        if (!value.is_null() && !(value.is_array() && value.empty())) row[key] = value;
}

// A row per instance: the parent's row index (-1 for the root) and the members of ed-load's JSON
// document for the instance and its component.
class PageRows : public StructureVisitor {
  public:
    explicit PageRows(std::ostream& out) : m_out(out) {}

    void Enter(const WalkStep& step) override {
        Json row = {{"parent", m_open.empty() ? -1 : static_cast<long long>(m_open.back())}};
        if (step.instance) AddPresent(row, json::InstanceHead(*step.instance));
        AddPresent(row, json::ComponentHead(step.component));
        if (m_count > 0) m_out << ",\n";
        PutScriptSafe(m_out, json::Dump(row));
        m_open.push_back(m_count++);
    }
    void Leave(const WalkStep&) override { m_open.pop_back(); }

  private:
    std::ostream& m_out;
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

void WriteHtml(std::ostream& out, const LoadResult& result, const HtmlOptions& options) {
    out << html::kPageBeforeData;
    std::string head = json::Dump(Head(result, options));
    head.pop_back();
    PutScriptSafe(out, head);
    out << ",\"rows\":[\n";
    PageRows rows(out);
    WalkStructure(*result.structure, rows);
    out << "]}" << html::kPageAfterData;
}

}  // namespace edload
