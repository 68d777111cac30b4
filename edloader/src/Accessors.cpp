// The read side of the C interface: plain lookups in the snapshot, which can neither throw nor fail.

#include "Snapshot.h"

namespace {

template <class T>
const T* At(const std::vector<T>& list, size_t i) {
    return i < list.size() ? &list[i] : nullptr;
}

template <class T>
const T* Optional(const std::optional<T>& value) {
    return value ? &*value : nullptr;
}

}  // namespace

extern "C" {

edl_kind edl_component_kind(const edl_component* c) {
    return c ? c->kind : EDL_NODE;
}

const char* edl_component_name(const edl_component* c) {
    return c ? c->name : nullptr;
}

const char* edl_component_link(const edl_component* c) {
    return c ? c->link : nullptr;
}

const edl_source* edl_component_shape_source(const edl_component* c) {
    return c ? Optional(c->shapeSource) : nullptr;
}

const edl_source* edl_component_thumbnail(const edl_component* c) {
    return c ? Optional(c->thumbnail) : nullptr;
}

int edl_component_box(const edl_component* c, edl_box* out) {
    const edl_source* shape = edl_component_shape_source(c);
    if (!shape || !shape->has_box) return 0;
    if (out) *out = shape->box;
    return 1;
}

#define EDL_LIST(count, at, type, member)              \
    size_t count(const edl_component* c) {             \
        return c ? c->member.size() : 0;               \
    }                                                  \
    const type* at(const edl_component* c, size_t i) { \
        return c ? At(c->member, i) : nullptr;         \
    }

EDL_LIST(edl_property_count, edl_property_at, edl_property, properties)
EDL_LIST(edl_viewable_count, edl_viewable_at, edl_viewable, viewables)
EDL_LIST(edl_view_point_count, edl_view_point_at, edl_view_point, viewPoints)
EDL_LIST(edl_view_state_count, edl_view_state_at, edl_view_state, viewStates)
EDL_LIST(edl_layer_group_count, edl_layer_group_at, edl_layer_group, layerGroups)
EDL_LIST(edl_child_count, edl_child_at, edl_instance, children)

const char* edl_instance_id(const edl_instance* i) {
    return i ? i->id : nullptr;
}

const edl_component* edl_instance_component(const edl_instance* i) {
    return i ? i->component : nullptr;
}

int edl_instance_placement(const edl_instance* i, edl_placement* out) {
    if (out) *out = edl_placement{{0, 0, 0}, {0, 0, 0, 1}, 1};
    if (!i || !i->placement) return 0;
    if (out) *out = *i->placement;
    return 1;
}

int edl_instance_colour(const edl_instance* i, edl_colour* out) {
    if (!i || !i->colour) return 0;
    if (out) *out = *i->colour;
    return 1;
}

int edl_instance_visible(const edl_instance* i) {
    return i && i->visible ? 1 : 0;
}

}  // extern "C"
