#include "kxk/DeferredRelease.h"

#include <cstddef>

#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "kxk/ShapeSource.h"

namespace kxk {

namespace {

thread_local DeferredRelease* t_outermost = nullptr;

// Queued nodes between the stages of the look-ahead: each stage reads only memory the one before it
// loaded.
constexpr size_t kStage = 8;
// Children of one node loaded ahead; a wide node's others come as they come.
constexpr size_t kChildrenAhead = 16;

void PrefetchBytes(const void* p, size_t size) {
    const char* bytes = static_cast<const char*>(p);
    for (size_t at = 0; at < size; at += 64) __builtin_prefetch(bytes + at, 1);
    __builtin_prefetch(bytes + size - 1, 1);
}

// The node an instance alone holds, when the instance is held by its parent alone: only then will
// dropping the instance destroy the node, and only then may its fields be read here, as no other
// thread can reach either of them.
ComponentNode* SoleNode(const ComponentInstance& instance) {
    if (instance.ReferenceCount() != 1) return nullptr;
    Component* component = instance.GetComponent().get();
    if (!component || component->GetKind() != Component::NODE || component->ReferenceCount() != 1)
        return nullptr;
    return static_cast<ComponentNode*>(component);
}

size_t ChildrenAhead(const ComponentNode& node) {
    const size_t count = node.GetChildren().size();
    return count < kChildrenAhead ? count : kChildrenAhead;
}

// What releasing a queued node will touch, in three stages from far to near.
void PrefetchParts(const ComponentNode& node) {
    node.GetName().PrefetchCount();
    PrefetchHostBlockRelease(&node, sizeof(ComponentNode));
    const Properties::Range properties = node.GetProperties().GetAll();
    if (!properties.empty()) {
        PrefetchBytes(properties.begin(), properties.size() * sizeof(Property));
        PrefetchHostBlockRelease(properties.begin(), properties.size() * sizeof(Property));
    }
    if (const ShapeSource* source = node.GetShapeSource().get()) {
        PrefetchBytes(source, sizeof(ShapeSource));
        PrefetchHostBlockRelease(source, sizeof(ShapeSource));
    }
    if (const size_t ahead = ChildrenAhead(node))
        PrefetchBytes(node.GetChildren().data(), ahead * sizeof(void*));
}

void PrefetchChildren(const ComponentNode& node) {
    // Names and group names go back in a batch, which seldom touches their counts.
    for (const Property& property : node.GetProperties().GetAll()) property.value.PrefetchCount();
    if (const ShapeSource* source = node.GetShapeSource().get()) source->GetSource().PrefetchCount();
    const auto& children = node.GetChildren();
    for (size_t i = 0; i < ChildrenAhead(node); ++i)
        PrefetchBytes(children[i].get(), sizeof(ComponentInstance));
}

void PrefetchGrandchildren(const ComponentNode& node) {
    const auto& children = node.GetChildren();
    for (size_t i = 0; i < ChildrenAhead(node); ++i) {
        const ComponentInstance& instance = *children[i];
        if (instance.ReferenceCount() != 1) continue;
        PrefetchHostBlockRelease(&instance, sizeof(ComponentInstance));
        instance.GetId().PrefetchCount();
        if (const Component* component = instance.GetComponent().get())
            PrefetchBytes(component, sizeof(ComponentNode));
    }
}

}  // namespace

// A cursor that stays `distance` nodes behind the queue's head as the head moves on; it lags while the
// queue is shorter, and catches up as the queue grows.
class DeferredRelease::Ahead {
  public:
    explicit Ahead(size_t distance) : m_distance(distance) {}

    const ComponentNode* Next(const ComponentNode* head) {
        if (m_node) {
            m_node = m_node->m_nextReleased;
        } else {
            m_node = head;
            for (size_t i = 0; m_node && i < m_distance; ++i) m_node = m_node->m_nextReleased;
        }
        return m_node;
    }

  private:
    size_t m_distance;
    const ComponentNode* m_node = nullptr;
};

DeferredRelease::DeferredRelease() noexcept : m_outermost(!t_outermost) {
    if (m_outermost) t_outermost = this;
}

DeferredRelease::~DeferredRelease() {
    if (!m_outermost) return;
    Drain();
    t_outermost = nullptr;
}

// An instance that holds the only reference to a node gives that reference to the queue; every other
// instance is simply dropped, which cannot recurse: it destroys no node with children.
void DeferredRelease::Defer(std::vector<du::SmartPtr<ComponentInstance>>& children) noexcept {
    DeferredRelease& scope = *t_outermost;
    for (du::SmartPtr<ComponentInstance>& instance : children) {
        if (ComponentNode* node = SoleNode(*instance)) {
            node->AddReference(&scope);
            instance->m_component = nullptr;
            scope.Queue(node);
        }
        instance = nullptr;
    }
    children.clear();
}

void DeferredRelease::Queue(ComponentNode* node) noexcept {
    node->m_nextReleased = nullptr;
    (m_tail ? m_tail->m_nextReleased : m_head) = node;
    m_tail = node;
}

// Releases the queued nodes first in, first out, so that the loop knows which node comes k steps later
// and can load its memory ahead: a large structure is scattered over memory, and following its
// pointers one cache miss after another would set the pace of its release. The names of the
// properties go back through one batch.
void DeferredRelease::Drain() noexcept {
    du::SymbolReleaseBatch names;
    Ahead far(2 * kStage), middle(kStage), near(kStage / 2);
    while (ComponentNode* node = m_head) {
        if (const ComponentNode* ahead = far.Next(m_head)) PrefetchParts(*ahead);
        if (const ComponentNode* ahead = middle.Next(m_head)) PrefetchChildren(*ahead);
        if (const ComponentNode* ahead = near.Next(m_head)) PrefetchGrandchildren(*ahead);
        m_head = node->m_nextReleased;
        if (!m_head) m_tail = nullptr;
        node->m_properties.Release(&names);
        // Destroying the node queues its own children behind the others.
        du::Release(node, this);
    }
}

}  // namespace kxk
