#include "GltfExtras.h"

#include <string>
#include <unordered_set>

#include "kxk/ComponentNode.h"
#include "kxk/ComponentProxy.h"
#include "kxk/ShapeSource.h"

namespace edload::gltf {

namespace {

// Keys are unique in a JSON object; a taken one is numbered on until it is free.
class ExtrasBuilder {
  public:
    void Add(const std::string& key, json::Json value) {
        std::string free = key;
        for (int n = 2; !m_used.insert(free).second; ++n) free = key + " [" + std::to_string(n) + "]";
        m_extras[free] = std::move(value);
    }
    // Arrays and objects only when they hold something.
    void AddUnlessEmpty(const std::string& key, const json::Json& value) {
        if (!value.is_null() && !value.empty()) Add(key, value);
    }
    json::Json Take() { return std::move(m_extras); }

  private:
    std::unordered_set<std::string> m_used;
    json::Json m_extras = json::Json::object();
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
    json::Json head = json::ComponentHead(node);
    for (const char* list : {"viewables", "viewPoints", "viewStates", "layerGroups"})
        extras.AddUnlessEmpty(std::string("ed:") + list, head[list]);
    for (const kxk::Property& property : node.GetProperties().GetAll())
        extras.Add(json::Text(property.name).get<std::string>(), json::Text(property.value));
}

}  // namespace

json::Json Extras(const WalkStep& step) {
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
