#pragma once

#include <string>
#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "ed/check/CheckFile.h"
#include "ed/reader/Parser.h"
#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "kxk/ShapeSource.h"
#include "kxk/Structure.h"
#include "support/StructureWalk.h"

namespace edfuzz {

using ed::check::BuildOutline;

// Builder properties whose taking the structure shows, by their place in the build's order.
constexpr int kColor = 2, kShapeSource = 4, kThumbnail = 6;

// What one component of a loaded structure shows, in the check's terms.
inline BuildOutline::Node Outlined(const edtest::WalkStep& step) {
    BuildOutline::Node node;
    node.depth = static_cast<uint32_t>(step.depth);
    node.isLink = step.component.GetKind() != kxk::Component::NODE;
    node.name = step.component.GetName().safe_c_str();
    node.placedWithId = step.instance && step.instance->GetId().has_text();
    if (node.isLink) return node;
    const auto& component = static_cast<const kxk::ComponentNode&>(step.component);
    node.taken[kColor] = step.instance && step.instance->HasAppearanceOverride();
    node.taken[kShapeSource] = component.GetShapeSource() != nullptr;
    node.taken[kThumbnail] = component.GetThumbnailSource() != nullptr;
    for (const auto& property : component.GetProperties().GetAll()) {
        const int builder = ed::check::BuilderIndex(std::string(property.name));
        if (builder >= 0) ++node.plainBuilders[builder];
    }
    return node;
}

// Where the check's component `expected` and the loaded `built` differ, or nothing.
inline std::string Difference(const BuildOutline::Node& expected, const BuildOutline::Node& built) {
    if (expected.depth != built.depth) return "depth";
    if (expected.isLink != built.isLink) return "link or node";
    if (expected.depth > 0 && expected.idKnown && expected.placedWithId != built.placedWithId)
        return built.placedWithId ? "placed with a component id" : "placed without a component id";
    if (expected.nameKnown && expected.name != built.name)
        return "name \"" + expected.name + "\" against \"" + built.name + "\"";
    if (!expected.builderKnown || expected.isLink) return "";
    for (const int shown : {kColor, kShapeSource, kThumbnail}) {
        if (shown == kColor && expected.depth == 0) continue;  // the root's colour is the structure's
        if (expected.taken[shown] != built.taken[shown])
            return "builder property " + std::to_string(shown) +
                   (built.taken[shown] ? " taken" : " not taken");
    }
    for (int i = 0; i < ed::check::kBuilderCount; ++i)
        if (expected.plainBuilders[i] != built.plainBuilders[i])
            return "builder property " + std::to_string(i) + " left plain " +
                   std::to_string(expected.plainBuilders[i]) + " times against " +
                   std::to_string(built.plainBuilders[i]);
    return "";
}

// Checks and loads the file at `path` (on one thread) and says where the check's account of what is
// built disagrees with the structure the load built; empty when they agree. The nodes the check
// visits are the structure's components, in order, at the same depths, with the same kinds and names
// and the same builder properties left plain; every node it does not visit is covered by a finding.
inline std::string CheckAgainstLoad(const std::string& path) {
    BuildOutline outline;
    ed::check::CheckFile(path, &outline);
    std::vector<BuildOutline::Node> built;
    bool parsed;
    {
        du::SmartPtr<kxk::Structure> structure(new kxk::Structure(du::Symbol("/fuzz/home/input.ed")));
        ed::Parser parser;
        parsed = parser.Parse(du::Symbol(path), structure);
        edtest::WalkStructure(*structure,
                              [&](const edtest::WalkStep& step) { built.push_back(Outlined(step)); });
    }
    if (parsed == outline.stopped) return parsed ? "the load succeeds, the check stops" : "the load fails";
    if (outline.unbuiltUnreported != 0) return "a node is not built, and no finding says so";
    if (outline.declared != outline.visited.size() + outline.unbuiltReported) return "nodes counted twice";
    const size_t expected = outline.rootIsLink ? 0 : outline.visited.size();
    if (built.size() != expected)
        return std::to_string(built.size()) + " components built, " + std::to_string(expected) + " expected";
    for (size_t i = 0; i < expected; ++i) {
        const std::string difference = Difference(outline.visited[i], built[i]);
        if (!difference.empty()) return "component " + std::to_string(i) + ": " + difference;
    }
    return "";
}

}  // namespace edfuzz
