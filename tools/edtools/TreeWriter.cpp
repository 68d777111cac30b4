#include "TreeWriter.h"

#include <string>

#include "StructureCounts.h"
#include "StructureWalk.h"
#include "TreeText.h"
#include "kxk/ComponentNode.h"
#include "kxk/ComponentProxy.h"
#include "kxk/LayerGroup.h"
#include "kxk/ViewPoint.h"
#include "kxk/ViewStateSource.h"

namespace edload {

namespace {

// Deep enough for any real product, shallow enough that a long chain stays readable.
constexpr size_t kMaxIndentLevels = 64;

const char* ViewStateKind(kxk::ViewStateSource::VIEWSTATESOURCE_TYPE type) {
    switch (type) {
        case kxk::ViewStateSource::VIEW_STATE:
            return "view state";
        case kxk::ViewStateSource::EXPLODE_STATE:
            return "explode state";
        case kxk::ViewStateSource::ALTERNATE_REP:
            return "alternate rep";
        case kxk::ViewStateSource::SECTION_CUT:
            return "section cut";
    }
    return "state";
}

class TreePrinter : public StructureVisitor {
  public:
    explicit TreePrinter(std::ostream& out) : m_out(out) {}

    void Enter(const WalkStep& step) override {
        SetIndent(step.depth);
        m_out << m_indent << "+ " << step.component.GetName().safe_c_str();
        if (step.component.GetKind() == kxk::Component::PROXY)
            m_out << "  [proxy -> "
                  << static_cast<const kxk::ComponentProxy&>(step.component).GetLink().safe_c_str() << "]";
        else
            m_out << "  [node]";
        if (step.instance && step.instance->GetId().has_text())
            m_out << "  #" << step.instance->GetId().safe_c_str();
        m_out << '\n';
        if (step.instance) PrintInstance(*step.instance);
        if (step.component.GetKind() == kxk::Component::NODE)
            PrintNode(static_cast<const kxk::ComponentNode&>(step.component));
    }

  private:
    void SetIndent(size_t depth) {
        if (depth <= kMaxIndentLevels) {
            m_indent.assign(2 * depth, ' ');
        } else {
            m_indent.assign(2 * kMaxIndentLevels, ' ');
            m_indent += "[" + std::to_string(depth) + "] ";
        }
    }

    void Detail(const char* label, const std::string& value) {
        m_out << m_indent << "    " << label << ": " << value << '\n';
    }

    void PrintInstance(const kxk::ComponentInstance& instance) {
        if (instance.HasLocation()) Detail("placement", text::Placement(instance.GetLocation()));
        if (instance.HasSavedLocation() &&
            (!instance.HasLocation() || instance.GetSavedLocation() != instance.GetLocation()))
            Detail("saved placement", text::Placement(instance.GetSavedLocation()));
        if (instance.HasAppearanceOverride())
            Detail("colour", text::Colour(instance.GetAppearanceOverride(), instance.IsAppearanceOpaque()));
        if (instance.HasDefaultVisibility())
            Detail("visibility", text::Visibility(instance.GetDefaultVisibility()));
    }

    void PrintNode(const kxk::ComponentNode& node) {
        if (node.GetShapeSource()) Detail("shape", text::Shape(*node.GetShapeSource()));
        if (node.GetThumbnailSource()) Detail("thumbnail", text::Shape(*node.GetThumbnailSource()));
        for (const auto& source : node.GetViewableSources()) Detail("viewable", text::Viewable(*source));
        for (const auto& view : node.GetViewPoints()) {
            const auto& q = view->GetOrientation();
            Detail("view point", "\"" + std::string(view->GetName()) + "\" (" + text::Number(q.x()) + ", " +
                                     text::Number(q.y()) + ", " + text::Number(q.z()) + ", " +
                                     text::Number(q.w()) + ")");
        }
        for (const auto& state : node.GetViewStateSources())
            Detail(ViewStateKind(state->GetType()), std::to_string(state->GetNumber()) + " " +
                                                        std::string(state->GetFirst()) + " \"" +
                                                        std::string(state->GetSecond()) + "\"");
        for (const auto& group : node.GetLayerGroups()) PrintLayerGroup(*group);
        for (const auto& property : node.GetProperties().GetAll()) {
            std::string line = std::string(property.name) + " = " + std::string(property.value);
            if (property.typeName.has_text()) line += "  [" + std::string(property.typeName) + "]";
            Detail("property", line);
        }
    }

    void PrintLayerGroup(const kxk::LayerGroup& group) {
        std::string line = std::string(group.GetName()) + ":";
        for (const auto& member : group.GetMembers()) line += " " + std::string(member);
        Detail("layer group", line);
    }

    std::ostream& m_out;
    std::string m_indent;
};

void PrintStructureReports(std::ostream& out, const kxk::Structure& structure) {
    if (structure.HasRootAppearanceOverride())
        out << "root colour: "
            << text::Colour(structure.GetRootAppearanceOverride(), structure.IsRootAppearanceOpaque())
            << '\n';
    for (const auto& table : structure.GetAnnoSetTableFileSources())
        out << "annotation set table: " << table.safe_c_str() << '\n';
    if (structure.GetPropertyGroupsLoaded().empty()) return;
    out << "property groups:";
    for (const auto& group : structure.GetPropertyGroupsLoaded())
        // A type that the file uses but no T record declares has no name.
        out << ' ' << (group.is_null() ? "(undeclared)" : std::string(group));
    out << '\n';
}

}  // namespace

void WriteTree(std::ostream& out, const LoadResult& result) {
    const kxk::Structure& structure = *result.structure;
    out << result.file << (result.Succeeded() ? "" : "  (load failed: " + result.FailureReason() + ")")
        << '\n';
    if (!structure.GetRoot()) out << "(no root)\n";
    TreePrinter printer(out);
    WalkStructure(structure, printer);
    PrintStructureReports(out, structure);
    StructureCounts counts = CountStructure(structure);
    out << counts.Components() << " components, " << counts.instances << " instances, " << counts.properties
        << " properties, " << counts.Sources() << " sources; loaded in "
        << text::Duration(result.timings.total) << '\n';
}

}  // namespace edload
