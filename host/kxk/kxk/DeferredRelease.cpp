#include "kxk/DeferredRelease.h"

#include <utility>
#include <vector>

namespace kxk {

namespace {

thread_local std::vector<du::SmartPtr<du::RefCounted>> t_pending;
thread_local bool t_draining = false;

}  // namespace

DeferredRelease::DeferredRelease() : m_outermost(!t_draining) {
    t_draining = true;
}

DeferredRelease::~DeferredRelease() {
    if (!m_outermost) return;
    // Dropping one reference may run destructors that defer more; they land on the same list.
    while (!t_pending.empty()) {
        du::SmartPtr<du::RefCounted> next = std::move(t_pending.back());
        t_pending.pop_back();
        next = nullptr;
    }
    t_draining = false;
}

void DeferredRelease::Defer(du::SmartPtr<du::RefCounted> object) {
    if (object) t_pending.push_back(std::move(object));
}

}  // namespace kxk
