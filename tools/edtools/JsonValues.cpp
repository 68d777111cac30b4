#include "JsonValues.h"

#include "Base64.h"
#include "Utf8.h"

#include "dg/Box.h"
#include "kxk/ComponentNode.h"
#include "kxk/ComponentProxy.h"
#include "kxk/EcadSource.h"
#include "kxk/LayerGroup.h"
#include "kxk/ViewPoint.h"
#include "kxk/ViewStateSource.h"
#include "kxk/ViewableSource.h"

namespace edload::json {

namespace {

// Single-precision values are widened, so that they read back to the same float. nlohmann writes
// NaN and the infinities as null.
Json Number(float value) {
    return static_cast<double>(value);
}

Json Point(const dg::FPoint3D& p) {
    return Json::array({Number(p.x), Number(p.y), Number(p.z)});
}

Json Rotation(const dg::Quaternion<float>& q) {
    return Json::array({Number(q.x()), Number(q.y()), Number(q.z()), Number(q.w())});
}

}  // namespace

Json Viewables(const kxk::ComponentNode& node) {
    Json list = Json::array();
    for (const auto& source : node.GetViewableSources()) {
        Json entry = {{"family", source->GetFamilyName()},
                      {"file", Text(source->GetFileName())},
                      {"display", Text(source->GetDisplayName())}};
        if (const auto* ecad = dynamic_cast<const kxk::EcadSource*>(source.get()))
            entry["ecadType"] = static_cast<int>(ecad->GetEcadType());
        list.push_back(std::move(entry));
    }
    return list;
}

Json ViewPoints(const kxk::ComponentNode& node) {
    Json list = Json::array();
    for (const auto& view : node.GetViewPoints())
        list.push_back({{"name", Text(view->GetName())}, {"orientation", Rotation(view->GetOrientation())}});
    return list;
}

Json ViewStates(const kxk::ComponentNode& node) {
    Json list = Json::array();
    for (const auto& state : node.GetViewStateSources())
        list.push_back({{"type", static_cast<int>(state->GetType())},
                        {"number", state->GetNumber()},
                        {"first", Text(state->GetFirst())},
                        {"second", Text(state->GetSecond())}});
    return list;
}

Json LayerGroups(const kxk::ComponentNode& node) {
    Json list = Json::array();
    for (const auto& group : node.GetLayerGroups()) {
        Json members = Json::array();
        for (const auto& member : group->GetMembers()) members.push_back(Text(member));
        list.push_back({{"name", Text(group->GetName())}, {"members", std::move(members)}});
    }
    return list;
}

namespace {

Json Properties(const kxk::ComponentNode& node) {
    Json list = Json::array();
    for (const auto& property : node.GetProperties().GetAll())
        list.push_back({{"name", Text(property.name)},
                        {"type", TextOrNull(property.typeName)},
                        {"value", Text(property.value)}});
    return list;
}

bool IsForeignText(const Json& value) {
    return value.is_string() && !IsUtf8(value.get_ref<const std::string&>());
}

// The bytes of an array's texts, or null when all of them are UTF-8.
Json ArrayBytes(const Json& array) {
    Json bytes = Json::array();
    bool any = false;
    for (const Json& entry : array) {
        any = any || IsForeignText(entry);
        bytes.push_back(IsForeignText(entry) ? Json(Base64(entry.get_ref<const std::string&>()))
                                             : Json(nullptr));
    }
    return any ? bytes : Json(nullptr);
}

}  // namespace

Json WithBytes(Json value) {
    if (value.is_array()) {
        for (Json& entry : value) entry = WithBytes(std::move(entry));
        return value;
    }
    if (!value.is_object()) return value;
    Json object = Json::object();
    for (auto& [key, member] : value.items()) {
        Json bytes = IsForeignText(member) ? Json(Base64(member.get_ref<const std::string&>()))
                     : member.is_array()   ? ArrayBytes(member)
                                           : Json(nullptr);
        object[key] = WithBytes(std::move(member));
        if (!bytes.is_null()) object[key + "Bytes"] = std::move(bytes);
    }
    return object;
}

std::string Dump(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json Text(const du::Symbol& text) {
    return std::string(text.safe_c_str(), text.length());
}

Json TextOrNull(const du::Symbol& text) {
    if (text.is_null()) return nullptr;
    return Text(text);
}

Json Location(const dg::Location& location) {
    const dg::DPoint3D& t = location.GetTranslation();
    return {{"translation", Json::array({t.x, t.y, t.z})},
            {"rotation", Rotation(location.GetRotation())},
            {"scale", Number(location.GetScale())}};
}

Json Appearance(const du::SmartPtr<kxg::Appearance>& appearance, bool opaque) {
    Json color = nullptr;
    if (appearance) {
        const dg::Color& c = appearance->GetColor();
        color = Json::array({Number(c.r), Number(c.g), Number(c.b), Number(c.a)});
    }
    return {{"color", std::move(color)}, {"opaque", opaque}};
}

Json ShapeSource(const du::SmartPtr<kxk::ShapeSource>& source) {
    if (!source) return nullptr;
    const dg::FBox& box = source->GetBox();
    Json boxValue = nullptr;
    if (box != dg::FBox::EMPTY) boxValue = {{"min", Point(box.min)}, {"max", Point(box.max)}};
    return {
        {"source", Text(source->GetSource())}, {"box", std::move(boxValue)}, {"index", source->GetIndex()}};
}

Json Trace(const dp::TraceMessage& message) {
    Json type = nullptr;
    if (message.type != dp::TraceMessage::kNoTraceType) type = message.type;
    return {
        {"channel", message.domain + "/" + message.name}, {"type", std::move(type)}, {"text", message.text}};
}

Json ComponentHead(const kxk::Component& component) {
    Json head = {{"kind", component.GetKind() == kxk::Component::PROXY ? "proxy" : "node"},
                 {"name", TextOrNull(component.GetName())},
                 {"link", nullptr},
                 {"shapeSource", nullptr},
                 {"thumbnail", nullptr},
                 {"viewables", Json::array()},
                 {"viewPoints", Json::array()},
                 {"viewStates", Json::array()},
                 {"layerGroups", Json::array()},
                 {"properties", Json::array()}};
    if (component.GetKind() == kxk::Component::PROXY) {
        head["link"] = TextOrNull(static_cast<const kxk::ComponentProxy&>(component).GetLink());
        return head;
    }
    const auto& node = static_cast<const kxk::ComponentNode&>(component);
    head["shapeSource"] = ShapeSource(node.GetShapeSource());
    head["thumbnail"] = ShapeSource(node.GetThumbnailSource());
    head["viewables"] = Viewables(node);
    head["viewPoints"] = ViewPoints(node);
    head["viewStates"] = ViewStates(node);
    head["layerGroups"] = LayerGroups(node);
    head["properties"] = Properties(node);
    return head;
}

Json InstanceHead(const kxk::ComponentInstance& instance) {
    Json visibility = nullptr;
    if (instance.HasDefaultVisibility()) visibility = instance.GetDefaultVisibility();
    return {{"id", Text(instance.GetId())},
            {"location", instance.HasLocation() ? Location(instance.GetLocation()) : Json(nullptr)},
            {"savedLocation",
             instance.HasSavedLocation() ? Location(instance.GetSavedLocation()) : Json(nullptr)},
            {"appearance", instance.HasAppearanceOverride()
                               ? Appearance(instance.GetAppearanceOverride(), instance.IsAppearanceOpaque())
                               : Json(nullptr)},
            {"visibility", std::move(visibility)}};
}

}  // namespace edload::json
