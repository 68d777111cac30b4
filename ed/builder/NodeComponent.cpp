#include "NodeComponent.h"

#include "dp/ReadWriteLock.h"
#include "ed/reader/ParserTracer.h"
#include "ed/reader/Records.h"
#include "kxg/AppearancePool.h"
#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "kxk/ShapeSource.h"
#include "kxk/Structure.h"

namespace ed {

namespace {

// Default visibilities handed to the host: hidden for render enable 0, the host's default otherwise.
constexpr int kVisibilityHidden = 3;
constexpr int kVisibilityDefault = 0;

void SetSources(kxk::ComponentNode& componentNode, const NodeSettings& settings) {
    if (!settings.shapeSource.is_null()) {
        du::SmartPtr<kxk::ShapeSource> source;
        kxk::ShapeSource::Create(source, settings.shapeSource,
                                 settings.boxGiven ? settings.box : dg::FBox::EMPTY,
                                 settings.shapeSourceIndex);
        componentNode.SetShapeSource(source);
    }
    if (!settings.thumbnail.is_null()) {
        du::SmartPtr<kxk::ShapeSource> source;
        kxk::ShapeSource::Create(source, settings.thumbnail, dg::FBox::EMPTY, 0);
        componentNode.SetThumbnailSource(source);
    }
}

du::SmartPtr<kxk::ComponentInstance> AddChild(kxk::ComponentNode& parent,
                                              const du::SmartPtr<kxk::Component>& component,
                                              const du::Symbol& componentId) {
    du::SmartPtr<kxk::ComponentInstance> instance;
    parent.AddChild(component, componentId, instance);
    if (!instance && componentId.has_text()) {
        kParserTracer("Warning - suspected duplicate component ID \"%s\".\n", componentId.c_str());
        parent.AddChild(component, du::Symbol::EMPTY, instance);
    }
    return instance;
}

void SetPlacement(kxk::ComponentInstance& instance, NodeSettings& settings,
                  const dg::Location* parentLocation) {
    if (parentLocation) {
        dg::DMat44 parentMatrix;
        parentLocation->GetXform(parentMatrix);
        settings.location = settings.location * parentMatrix;
    } else if (!settings.locationSet) {
        return;
    }
    instance.SetLocation(settings.location, true);
    instance.SetSavedLocation(settings.location);
}

void SetVisibility(kxk::ComponentInstance& instance, int renderEnable) {
    if (renderEnable == 0) {
        instance.OverrideDefaultVisibility(kVisibilityHidden);
        return;
    }
    // The line shown with this notice would be whatever the line reader last held, long after the
    // record was read, so an empty text is shown instead.
    if (renderEnable == 1 || renderEnable == 3)
        kParserTracer("%s not yet implemented - %s\n", "SpecialEdRenderEnable", "");
    instance.OverrideDefaultVisibility(kVisibilityDefault);
}

}  // namespace

du::SmartPtr<kxk::Component> MakeComponent(kxk::Structure& structure, const StructureNode& node,
                                           const NodeSettings& settings,
                                           du::SmartPtr<kxk::ComponentNode>& componentNode) {
    if (node.isLink) {
        du::SmartPtr<kxk::ComponentProxy> proxy;
        structure.CreateComponentProxy(node.name, node.link, du::Symbol::EMPTY, 0, proxy);
        return proxy;
    }
    structure.CreateComponentNode(node.name, 0, componentNode);
    if (componentNode) SetSources(*componentNode, settings);
    return componentNode;
}

bool PlaceComponent(kxk::ComponentNode& parent, const du::SmartPtr<kxk::Component>& component,
                    NodeSettings& settings, const dg::Location* parentLocation) {
    dp::ScopedWriteLock lock(parent.GetLock());
    du::SmartPtr<kxk::ComponentInstance> instance = AddChild(parent, component, settings.componentId);
    if (!instance) return false;
    SetPlacement(*instance, settings, parentLocation);
    if (settings.colorGiven) {
        instance->SetAppearanceOverride(kxg::GetAppearancePool().GetAppearanceFromColor(settings.color),
                                        settings.opaque, true);
    }
    SetVisibility(*instance, settings.renderEnable);
    return true;
}

void ApplyRootAppearance(kxk::Structure& structure, const NodeSettings& settings) {
    if (!settings.colorGiven) return;
    structure.SetRootAppearanceOverride(kxg::GetAppearancePool().GetAppearanceFromColor(settings.color),
                                        settings.opaque, true);
}

}  // namespace ed
