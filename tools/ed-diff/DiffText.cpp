#include "DiffText.h"

#include <cmath>
#include <cstdio>

#include "TerminalText.h"
#include "TreeText.h"

namespace eddiff {

namespace {

using edload::text::Number;

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Numbers(const Json& list) {
    std::string text = "(";
    for (const Json& v : list)
        text += (text.size() > 1 ? ", " : "") + (v.is_number() ? Number(v.get<double>()) : "null");
    return text + ")";
}

// A value of the JSON document in the words of ed-load's tree.
std::string ValueText(const std::string& what, const Json& value) {
    if (value.is_null()) return "(none)";
    if (value.is_string()) return Quoted(value.get<std::string>());
    if (what == "visibility" && value.is_number_integer()) return edload::text::Visibility(value.get<int>());
    if (value.is_number()) return Number(value.get<double>());
    if (what == "colour") {
        const std::string colour = value["color"].is_null() ? "(no colour)" : Numbers(value["color"]);
        return value["opaque"] == true ? colour + " opaque" : colour;
    }
    if (what == "box") return Numbers(value["min"]) + ".." + Numbers(value["max"]);
    if (value.is_object() && value.contains("source")) {
        std::string text =
            value["source"].is_string() ? Quoted(value["source"].get<std::string>()) : "(none)";
        if (value.contains("box") && !value["box"].is_null())
            text += " box " + Numbers(value["box"]["min"]) + ".." + Numbers(value["box"]["max"]);
        if (value["index"].is_number() && value["index"] != 0) text += " index " + value["index"].dump();
        return text;
    }
    return edload::json::Dump(value);
}

// Six significant digits: a move read back from single precision is 12 mm, not 12.000001 mm.
std::string Rounded(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

std::string Distance(double metres) {
    if (std::fabs(metres) >= 1) return Rounded(metres) + " m";
    return Rounded(metres * 1000) + " mm";
}

std::string PlacementText(const Detail& detail) {
    std::string text;
    const auto add = [&](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    if (!(detail.moved <= 0)) add("moved " + Distance(detail.moved));
    if (!(detail.turned <= 0)) add("turned " + Rounded(detail.turned) + " degrees");
    const auto scale = [](const Json& location) {
        return location.is_null() ? Json(1.0) : location["scale"];
    };
    if (scale(detail.old) != scale(detail.now))
        add("scaled " + ValueText("", scale(detail.old)) + " -> " + ValueText("", scale(detail.now)));
    return text;
}

std::string Label(const std::string& what) {
    if (what == "shapeSource") return "shape source";
    if (what == "viewPoints") return "view points";
    if (what == "viewStates") return "view states";
    if (what == "layerGroups") return "layer groups";
    return what;
}

// By ChangeKind: added, removed, changed, re-parented.
const char* const kSigns[] = {"+", "-", "~", ">"};
const char* const kColours[] = {"\x1b[32m", "\x1b[31m", "\x1b[33m", "\x1b[36m"};

std::string Safe(const std::string& text) {
    return edload::TerminalSafe(text);
}

}  // namespace

std::string DetailText(const Detail& detail) {
    if (detail.what == "placement") return "placement: " + PlacementText(detail);
    std::string label = Label(detail.what);
    if (detail.name.is_string()) label += " " + detail.name.get<std::string>();
    return label + ": " + ValueText(detail.what, detail.old) + " -> " + ValueText(detail.what, detail.now);
}

void WriteDiffText(std::ostream& out, const Comparison& comparison, bool colour) {
    for (const Change& change : comparison.changes) {
        const size_t kind = static_cast<size_t>(change.kind);
        std::string head = std::string(kSigns[kind]) + " " + (change.path.empty() ? "(root)" : change.path);
        if (change.name.is_string()) head += "  " + change.name.get<std::string>();
        if (change.kind == ChangeKind::kReparented)
            head += "  (was " + (change.oldPath.empty() ? std::string("(root)") : change.oldPath) + ")";
        if (colour)
            out << kColours[kind] << Safe(head) << "\x1b[0m\n";
        else
            out << Safe(head) << '\n';
        for (const Detail& detail : change.details) out << "    " << Safe(DetailText(detail)) << '\n';
    }
    const Summary& s = comparison.summary;
    out << s.added << " added, " << s.removed << " removed, " << s.changed << " changed, " << s.reparented
        << " re-parented, " << s.unchanged << " unchanged\n";
}

}  // namespace eddiff
