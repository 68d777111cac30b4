#include "kxk/DeferredRelease.h"

#include <cstddef>
#include <iterator>
#include <utility>

#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "kxk/ShapeSource.h"

namespace kxk {

namespace {

thread_local DeferredRelease* t_outermost = nullptr;

// Steps between the stages of the look-ahead: each stage reads only memory the one before it loaded.
constexpr size_t kStage = 8;
// The queue's consumed front is dropped once it is at least this long and half the queue.
constexpr size_t kCompactAt = 1024;

void PrefetchBytes(const void* p, size_t size) {
    const char* bytes = static_cast<const char*>(p);
    for (size_t at = 0; at < size; at += 64) __builtin_prefetch(bytes + at, 1);
    __builtin_prefetch(bytes + size - 1, 1);
}

// The node an instance alone holds, when the instance is held by the queue alone: only then will
// dropping the instance destroy the node, and only then may its fields be read here, as no other
// thread can reach either of them.
const ComponentNode* SoleNode(const ComponentInstance* instance) {
    if (!instance || instance->ReferenceCount() != 1) return nullptr;
    const Component* component = instance->GetComponent().get();
    if (!component || component->GetKind() != Component::NODE || component->ReferenceCount() != 1)
        return nullptr;
    return static_cast<const ComponentNode*>(component);
}

// What dropping `instance` will touch, in four stages from far to near.
void PrefetchInstance(const ComponentInstance* instance) {
    if (instance) PrefetchBytes(instance, sizeof(ComponentInstance));
}

void PrefetchComponent(const ComponentInstance* instance) {
    if (!instance || instance->ReferenceCount() != 1) return;
    PrefetchHostBlockRelease(instance, sizeof(ComponentInstance));
    instance->GetId().PrefetchCount();
    if (const Component* component = instance->GetComponent().get())
        PrefetchBytes(component, sizeof(ComponentNode));
}

void PrefetchParts(const ComponentInstance* instance) {
    const ComponentNode* node = SoleNode(instance);
    if (!node) return;
    node->GetName().PrefetchCount();
    PrefetchHostBlockRelease(node, sizeof(ComponentNode));
    const Properties::Range properties = node->GetProperties().GetAll();
    if (!properties.empty()) {
        PrefetchBytes(properties.begin(), properties.size() * sizeof(Property));
        PrefetchHostBlockRelease(properties.begin(), properties.size() * sizeof(Property));
    }
    if (const ShapeSource* source = node->GetShapeSource().get()) {
        PrefetchBytes(source, sizeof(ShapeSource));
        PrefetchHostBlockRelease(source, sizeof(ShapeSource));
    }
    const auto& children = node->GetChildren();
    if (!children.empty())
        PrefetchBytes(children.data(), sizeof(children[0]) * (children.size() < 16 ? children.size() : 16));
}

void PrefetchTexts(const ComponentInstance* instance) {
    const ComponentNode* node = SoleNode(instance);
    if (!node) return;
    // Names and group names go back in a batch, which seldom touches their counts.
    for (const Property& property : node->GetProperties().GetAll()) property.value.PrefetchCount();
    if (const ShapeSource* source = node->GetShapeSource().get()) source->GetSource().PrefetchCount();
}

// Drops the queued instances first in, first out, so that the loop knows which instance comes k steps
// later and can load its memory ahead: a large structure is scattered over memory, and following its
// pointers one cache miss after another would set the pace of its release.
void Drain(std::vector<du::SmartPtr<ComponentInstance>>& queue) {
    size_t head = 0;
    // Dropping one instance may destroy nodes that defer more; they join the same queue.
    while (head < queue.size()) {
        const size_t size = queue.size();
        if (head + 3 * kStage < size) PrefetchInstance(queue[head + 3 * kStage].get());
        if (head + 2 * kStage < size) PrefetchComponent(queue[head + 2 * kStage].get());
        if (head + kStage < size) PrefetchParts(queue[head + kStage].get());
        if (head + kStage / 2 < size) PrefetchTexts(queue[head + kStage / 2].get());
        du::SmartPtr<ComponentInstance> next = std::move(queue[head++]);
        next = nullptr;
        if (head >= kCompactAt && head * 2 >= queue.size()) {
            queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(head));
            head = 0;
        }
    }
}

}  // namespace

DeferredRelease::DeferredRelease() : m_outermost(!t_outermost) {
    if (m_outermost) t_outermost = this;
}

DeferredRelease::~DeferredRelease() {
    if (!m_outermost) return;
    du::SymbolReleaseBatch names;
    m_names = &names;
    Drain(m_queue);
    m_names = nullptr;
    t_outermost = nullptr;
}

du::SymbolReleaseBatch* DeferredRelease::NameReleases() {
    return t_outermost ? t_outermost->m_names : nullptr;
}

void DeferredRelease::Defer(std::vector<du::SmartPtr<ComponentInstance>>& children) {
    auto& queue = t_outermost->m_queue;
    queue.insert(queue.end(), std::make_move_iterator(children.begin()),
                 std::make_move_iterator(children.end()));
    children.clear();
}

}  // namespace kxk
