#include "GltfExtras.h"

#include <string>
#include <unordered_map>
#include <unordered_set>

#include "JsonValues.h"
#include "kxk/ComponentNode.h"
#include "kxk/ComponentProxy.h"
#include "kxk/ShapeSource.h"

namespace edload::gltf {

namespace {

// Keys are unique in a JSON object; a taken one is numbered on until it is free. Each name remembers
// the number it got to, so that a name repeated n times costs n steps, not n squared. The object is
// written as text as it grows: a JSON library's object looks each new key up among all the others.
class ExtrasBuilder {
  public:
    void Add(const std::string& key, const json::Json& value) {
        m_text += m_text.empty() ? '{' : ',';
        m_text += json::Dump(json::Json(FreeKey(key)));
        m_text += ':';
        m_text += json::Dump(value);
    }
    // Arrays and objects only when they hold something.
    void AddUnlessEmpty(const std::string& key, const json::Json& value) {
        if (!value.is_null() && !value.empty()) Add(key, value);
    }
    std::string Take() {
        if (!m_text.empty()) m_text += '}';
        return std::move(m_text);
    }

  private:
    std::string FreeKey(const std::string& key) {
        if (m_used.insert(key).second) return key;
        int& next = m_nextNumber.try_emplace(key, 2).first->second;
        std::string free;
        do free = key + " [" + std::to_string(next++) + "]";
        while (!m_used.insert(free).second);
        return free;
    }

    std::unordered_set<std::string> m_used;
    std::unordered_map<std::string, int> m_nextNumber;  // by name: the lowest number that may be free
    std::string m_text;
};

void AddInstance(ExtrasBuilder& extras, const kxk::ComponentInstance& instance) {
    if (!instance.GetId().is_null() && instance.GetId().length() > 0)
        extras.Add("ed:instanceId", json::Text(instance.GetId()));
    if (instance.GetDefaultVisibility() == kHidden) extras.Add("ed:hidden", true);
}

void AddNode(ExtrasBuilder& extras, const kxk::ComponentNode& node) {
    extras.AddUnlessEmpty("ed:shapeSource", json::ShapeSource(node.GetShapeSource()));
    if (const auto& thumbnail = node.GetThumbnailSource())
        extras.Add("ed:thumbnail", json::Text(thumbnail->GetSource()));
    // The lists as ed-load's JSON document gives them.
    extras.AddUnlessEmpty("ed:viewables", json::Viewables(node));
    extras.AddUnlessEmpty("ed:viewPoints", json::ViewPoints(node));
    extras.AddUnlessEmpty("ed:viewStates", json::ViewStates(node));
    extras.AddUnlessEmpty("ed:layerGroups", json::LayerGroups(node));
    for (const kxk::Property& property : node.GetProperties().GetAll())
        extras.Add(json::Text(property.name).get<std::string>(), json::Text(property.value));
}

}  // namespace

std::string Extras(const WalkStep& step) {
    ExtrasBuilder extras;
    if (step.instance) AddInstance(extras, *step.instance);
    if (step.component.GetKind() == kxk::Component::PROXY)
        extras.AddUnlessEmpty(
            "ed:link", json::TextOrNull(static_cast<const kxk::ComponentProxy&>(step.component).GetLink()));
    else
        AddNode(extras, static_cast<const kxk::ComponentNode&>(step.component));
    return extras.Take();
}

}  // namespace edload::gltf
