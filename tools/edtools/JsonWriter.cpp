#include "JsonWriter.h"

#include <string>

#include "JsonValues.h"
#include "StructureWalk.h"

namespace edload {

namespace {

using json::Json;

// The object's text without its closing brace, so that the nested member can follow.
std::string Opened(const Json& object) {
    std::string text = json::Dump(json::WithBytes(object));
    text.pop_back();
    return text;
}

class ComponentStreamer : public StructureVisitor {
  public:
    explicit ComponentStreamer(std::ostream& out) : m_out(out) {}

    void Enter(const WalkStep& step) override {
        if (step.index > 0) m_out << ',';
        if (step.instance) m_out << Opened(json::InstanceHead(*step.instance)) << ",\"component\":";
        m_out << Opened(json::ComponentHead(step.component)) << ",\"children\":[";
    }
    void Leave(const WalkStep& step) override { m_out << (step.instance ? "]}}" : "]}"); }

  private:
    std::ostream& m_out;
};

Json Event(const LoadResult& result) {
    Json failure = nullptr;
    if (result.eventFailed) failure = json::TextOrNull(result.failure);
    // "done" tells whether the loader signalled completion; a failure is reported instead of it.
    return {{"done", result.eventSignalled}, {"failure", std::move(failure)}};
}

// The loader may name an annotation-set table more than once; the last one stands.
Json AnnotationSetTable(const kxk::Structure& structure) {
    const auto& tables = structure.GetAnnoSetTableFileSources();
    return tables.empty() ? Json(nullptr) : json::TextOrNull(tables.back());
}

Json Head(const LoadResult& result) {
    const kxk::Structure& structure = *result.structure;
    Json groups = Json::array();
    for (const auto& group : structure.GetPropertyGroupsLoaded()) groups.push_back(json::TextOrNull(group));
    Json rootAppearance = nullptr;
    if (structure.HasRootAppearanceOverride())
        rootAppearance =
            json::Appearance(structure.GetRootAppearanceOverride(), structure.IsRootAppearanceOpaque());
    return {{"file", result.file},
            {"loaded", structure.GetLoaded()},
            {"event", Event(result)},
            {"annotationSetTable", AnnotationSetTable(structure)},
            {"rootAppearance", std::move(rootAppearance)},
            {"propertyGroups", std::move(groups)}};
}

void WriteTraces(std::ostream& out, const std::vector<dp::TraceMessage>& traces) {
    out << '[';
    for (size_t i = 0; i < traces.size(); ++i)
        out << (i ? "," : "") << json::Dump(json::WithBytes(json::Trace(traces[i])));
    out << ']';
}

}  // namespace

void WriteJson(std::ostream& out, const LoadResult& result, const std::vector<dp::TraceMessage>& traces,
               const json::Json* diagnostics) {
    out << Opened(Head(result)) << ",\"root\":";
    if (result.structure->GetRoot()) {
        ComponentStreamer streamer(out);
        WalkStructure(*result.structure, streamer);
    } else {
        out << "null";
    }
    out << ",\"traces\":";
    WriteTraces(out, traces);
    if (diagnostics) out << ",\"diagnostics\":" << json::Dump(*diagnostics);
    out << "}\n";
}

}  // namespace edload
