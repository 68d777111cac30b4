#include "InstanceComparison.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <iterator>
#include <map>
#include <tuple>
#include <utility>

#include "kxk/ComponentNode.h"
#include "kxk/ComponentProxy.h"

namespace eddiff {

namespace json = edload::json;

namespace {

// Equal bits: what the same text read twice gives, NaN included.
template <typename T>
bool SameBits(T a, T b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void Add(std::vector<Detail>& details, const char* what, Json old, Json now) {
    Detail detail;
    detail.what = what;
    detail.old = std::move(old);
    detail.now = std::move(now);
    details.push_back(std::move(detail));
}

bool SameLocation(const dg::Location& a, const dg::Location& b) {
    const dg::DPoint3D &s = a.GetTranslation(), &t = b.GetTranslation();
    const auto &q = a.GetRotation(), &r = b.GetRotation();
    return SameBits(s.x, t.x) && SameBits(s.y, t.y) && SameBits(s.z, t.z) && SameBits(q.x(), r.x()) &&
           SameBits(q.y(), r.y()) && SameBits(q.z(), r.z()) && SameBits(q.w(), r.w()) &&
           SameBits(a.GetScale(), b.GetScale());
}

// The angle of the turn from `a` to `b` in degrees; a zero quaternion counts as no turn.
double TurnDegrees(const dg::Quaternion<float>& a, const dg::Quaternion<float>& b) {
    auto unit = [](const dg::Quaternion<float>& q) {
        double v[4] = {q.x(), q.y(), q.z(), q.w()};
        const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2] + v[3] * v[3]);
        if (length == 0) return std::array<double, 4>{0, 0, 0, 1};
        return std::array<double, 4>{v[0] / length, v[1] / length, v[2] / length, v[3] / length};
    };
    const auto p = unit(a), q = unit(b);
    // The relative turn conj(p) * q: its vector part's length and its scalar give the half angle
    // without the cancellation of acos near 1.
    const double w = p[3] * q[3] + p[0] * q[0] + p[1] * q[1] + p[2] * q[2];
    const double x = p[3] * q[0] - p[0] * q[3] - p[1] * q[2] + p[2] * q[1];
    const double y = p[3] * q[1] - p[1] * q[3] - p[2] * q[0] + p[0] * q[2];
    const double z = p[3] * q[2] - p[2] * q[3] - p[0] * q[1] + p[1] * q[0];
    return 2 * std::atan2(std::sqrt(x * x + y * y + z * z), std::fabs(w)) * 180 / M_PI;
}

void ComparePlacement(const kxk::ComponentInstance& old, const kxk::ComponentInstance& now,
                      const Tolerance& tolerance, std::vector<Detail>& details) {
    const dg::Location &a = old.GetLocation(), &b = now.GetLocation();
    if (SameLocation(a, b)) return;
    const dg::DPoint3D &s = a.GetTranslation(), &t = b.GetTranslation();
    const double moved =
        std::sqrt((t.x - s.x) * (t.x - s.x) + (t.y - s.y) * (t.y - s.y) + (t.z - s.z) * (t.z - s.z));
    const double turned = TurnDegrees(a.GetRotation(), b.GetRotation());
    const bool scaled = !SameBits(a.GetScale(), b.GetScale());
    // A NaN anywhere fails the comparisons, which makes it a change.
    if (moved <= tolerance.metres && turned <= tolerance.degrees && !scaled) return;
    Add(details, "placement", old.HasLocation() ? json::Location(a) : Json(),
        now.HasLocation() ? json::Location(b) : Json());
    // What is within the tolerance is not worth a word in the text.
    details.back().moved = moved <= tolerance.metres ? 0 : moved;
    details.back().turned = turned <= tolerance.degrees ? 0 : turned;
}

Json Colour(const kxk::ComponentInstance& instance) {
    if (!instance.HasAppearanceOverride()) return Json();
    return json::Appearance(instance.GetAppearanceOverride(), instance.IsAppearanceOpaque());
}

bool SameColour(const kxk::ComponentInstance& a, const kxk::ComponentInstance& b) {
    if (a.HasAppearanceOverride() != b.HasAppearanceOverride()) return false;
    if (!a.HasAppearanceOverride()) return true;
    if (a.IsAppearanceOpaque() != b.IsAppearanceOpaque()) return false;
    const auto &p = a.GetAppearanceOverride(), &q = b.GetAppearanceOverride();
    if (!p || !q) return !p && !q;
    const dg::Color &c = p->GetColor(), &d = q->GetColor();
    return SameBits(c.r, d.r) && SameBits(c.g, d.g) && SameBits(c.b, d.b) && SameBits(c.a, d.a);
}

Json Visibility(const kxk::ComponentInstance& instance) {
    return instance.HasDefaultVisibility() ? Json(instance.GetDefaultVisibility()) : Json();
}

void CompareInstance(const kxk::ComponentInstance& old, const kxk::ComponentInstance& now,
                     const Tolerance& tolerance, std::vector<Detail>& details) {
    ComparePlacement(old, now, tolerance, details);
    if (!SameColour(old, now)) Add(details, "colour", Colour(old), Colour(now));
    if (Visibility(old) != Visibility(now)) Add(details, "visibility", Visibility(old), Visibility(now));
}

Json Link(const kxk::Component& component) {
    if (component.GetKind() != kxk::Component::PROXY) return Json();
    return json::TextOrNull(static_cast<const kxk::ComponentProxy&>(component).GetLink());
}

bool Near(const dg::FPoint3D& a, const dg::FPoint3D& b, double metres) {
    const auto near = [&](float p, float q) { return SameBits(p, q) || std::fabs(double{p} - q) <= metres; };
    return near(a.x, b.x) && near(a.y, b.y) && near(a.z, b.z);
}

Json Box(const du::SmartPtr<kxk::ShapeSource>& source) {
    return source ? json::ShapeSource(source)["box"] : Json();
}

bool SameBox(const du::SmartPtr<kxk::ShapeSource>& a, const du::SmartPtr<kxk::ShapeSource>& b,
             double metres) {
    const dg::FBox& p = a ? a->GetBox() : dg::FBox::EMPTY;
    const dg::FBox& q = b ? b->GetBox() : dg::FBox::EMPTY;
    return Near(p.min, q.min, metres) && Near(p.max, q.max, metres);
}

Json ShapeSourceWithoutBox(const du::SmartPtr<kxk::ShapeSource>& source) {
    Json value = json::ShapeSource(source);
    if (value.is_object()) value.erase("box");
    return value;
}

bool SameSource(const du::SmartPtr<kxk::ShapeSource>& a, const du::SmartPtr<kxk::ShapeSource>& b) {
    if (!a || !b) return !a && !b;
    return a->GetSource() == b->GetSource() && a->GetIndex() == b->GetIndex();
}

void CompareShapes(const kxk::ComponentNode& old, const kxk::ComponentNode& now, const Tolerance& tolerance,
                   std::vector<Detail>& details) {
    if (!SameSource(old.GetShapeSource(), now.GetShapeSource()))
        Add(details, "shapeSource", ShapeSourceWithoutBox(old.GetShapeSource()),
            ShapeSourceWithoutBox(now.GetShapeSource()));
    const auto &a = old.GetThumbnailSource(), &b = now.GetThumbnailSource();
    if (!SameSource(a, b) || !SameBox(a, b, tolerance.metres))
        Add(details, "thumbnail", json::ShapeSource(a), json::ShapeSource(b));
    if (!SameBox(old.GetShapeSource(), now.GetShapeSource(), tolerance.metres))
        Add(details, "box", Box(old.GetShapeSource()), Box(now.GetShapeSource()));
}

// A property is known by its name and group; a name repeated in a group by its turn among them.
struct PropertyKey {
    const char* name;
    const char* group;
    size_t turn;
    bool operator<(const PropertyKey& o) const {
        return std::tie(name, group, turn) < std::tie(o.name, o.group, o.turn);
    }
};

std::vector<std::pair<PropertyKey, const kxk::Property*>> Keyed(const kxk::Properties& properties) {
    std::vector<std::pair<PropertyKey, const kxk::Property*>> keyed;
    std::map<std::pair<const char*, const char*>, size_t> turns;
    for (const kxk::Property& p : properties.GetAll()) {
        const size_t turn = turns[{p.name.c_str(), p.typeName.c_str()}]++;
        keyed.push_back({PropertyKey{p.name.c_str(), p.typeName.c_str(), turn}, &p});
    }
    return keyed;
}

void AddProperty(std::vector<Detail>& details, const kxk::Property& property, Json old, Json now) {
    Add(details, "property", std::move(old), std::move(now));
    details.back().name = json::Text(property.name);
    details.back().group = json::TextOrNull(property.typeName);
}

bool SameProperties(const kxk::Properties& a, const kxk::Properties& b) {
    if (a.Size() != b.Size()) return false;
    for (size_t i = 0; i < a.Size(); ++i) {
        const kxk::Property &p = a.Get(i), &q = b.Get(i);
        if (p.name != q.name || p.typeName != q.typeName || p.value != q.value) return false;
    }
    return true;
}

void CompareProperties(const kxk::Properties& old, const kxk::Properties& now, std::vector<Detail>& details) {
    if (SameProperties(old, now)) return;
    std::map<PropertyKey, const kxk::Property*> before;
    for (const auto& [key, property] : Keyed(old)) before.emplace(key, property);
    for (const auto& [key, property] : Keyed(now)) {
        auto at = before.find(key);
        if (at == before.end()) {
            AddProperty(details, *property, Json(), json::Text(property->value));
            continue;
        }
        if (at->second->value != property->value)
            AddProperty(details, *property, json::Text(at->second->value), json::Text(property->value));
        before.erase(at);
    }
    for (const auto& [key, property] : Keyed(old))
        if (before.count(key)) AddProperty(details, *property, json::Text(property->value), Json());
}

// The lists that few components have are compared as the JSON document writes them.
void CompareLists(const kxk::ComponentNode& old, const kxk::ComponentNode& now,
                  std::vector<Detail>& details) {
    const auto empty = [](const kxk::ComponentNode& node) {
        return node.GetViewableSources().empty() && node.GetViewPoints().empty() &&
               node.GetViewStateSources().empty() && node.GetLayerGroups().empty();
    };
    if (empty(old) && empty(now)) return;
    const Json a = json::ComponentHead(old), b = json::ComponentHead(now);
    for (const char* what : {"viewables", "viewPoints", "viewStates", "layerGroups"})
        if (a[what] != b[what]) Add(details, what, a[what], b[what]);
}

void CompareComponents(const kxk::Component& old, const kxk::Component& now, const Tolerance& tolerance,
                       std::vector<Detail>& details) {
    if (old.GetName() != now.GetName())
        Add(details, "name", json::TextOrNull(old.GetName()), json::TextOrNull(now.GetName()));
    const bool oldProxy = old.GetKind() == kxk::Component::PROXY;
    const bool newProxy = now.GetKind() == kxk::Component::PROXY;
    if (oldProxy != newProxy) Add(details, "kind", oldProxy ? "proxy" : "node", newProxy ? "proxy" : "node");
    if (Link(old) != Link(now)) Add(details, "link", Link(old), Link(now));
    if (oldProxy || newProxy) return;
    const auto& a = static_cast<const kxk::ComponentNode&>(old);
    const auto& b = static_cast<const kxk::ComponentNode&>(now);
    CompareShapes(a, b, tolerance, details);
    CompareProperties(a.GetProperties(), b.GetProperties(), details);
    CompareLists(a, b, details);
}

// Keeps the documented order: placement, name, kind, link, colour, visibility, then the rest.
void Order(std::vector<Detail>& details) {
    const auto rank = [](const Detail& d) {
        static const char* const kOrder[] = {"placement", "name", "kind", "link", "colour", "visibility"};
        for (size_t i = 0; i < std::size(kOrder); ++i)
            if (d.what == kOrder[i]) return i;
        return std::size(kOrder);
    };
    std::stable_sort(details.begin(), details.end(),
                     [&](const Detail& a, const Detail& b) { return rank(a) < rank(b); });
}

}  // namespace

std::vector<Detail> CompareInstances(const IndexEntry& old, const IndexEntry& now,
                                     const Tolerance& tolerance) {
    std::vector<Detail> details;
    if (old.instance && now.instance) CompareInstance(*old.instance, *now.instance, tolerance, details);
    if (old.component != now.component) CompareComponents(*old.component, *now.component, tolerance, details);
    if (details.size() > 1) Order(details);
    return details;
}

}  // namespace eddiff
