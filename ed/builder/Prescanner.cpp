#include "Prescanner.h"

#include <algorithm>
#include <chrono>

#include "du/Env.h"
#include "ed/reader/NameCache.h"
#include "ed/reader/Records.h"

namespace ed {

namespace {

// A node's state. The thread moves it from kFree to kPrescanning, then to kReady plus the
// slot of its reading; the walk moves it from kFree to kWalked, or from kReady + slot to kReading and
// then to kWalked; the thread takes a slot back by moving kReady + slot to kEvicted.
constexpr uint32_t kFree = 0;
constexpr uint32_t kPrescanning = 1;
constexpr uint32_t kReading = 2;
constexpr uint32_t kWalked = 3;
constexpr uint32_t kEvicted = 4;
constexpr uint32_t kReady = 8;

}  // namespace

Prescanner::Prescanner(RecordTable<StructureNode>& nodes, const NameCache& names, size_t slots)
    : m_nodes(nodes),
      m_states(nodes.Count()),
      m_slotCount(std::max<size_t>(slots, 2)),
      m_slots(new NodePrescan[m_slotCount]) {
    names.ForEach(&MatchBuilderProperties);
    try {
        m_thread = du::Env::Get().StartThread([this] { Run(); });
    } catch (...) {
        // No thread: the walk reads every node itself.
    }
}

Prescanner::~Prescanner() {
    m_stop.store(true, std::memory_order_relaxed);
    if (m_thread.joinable()) m_thread.join();
}

Prescanner::Taken::Taken(Prescanner* prescanner, const StructureNode& node)
    : m_prescanner(prescanner), m_node(node), m_reading(prescanner ? prescanner->Take(node) : nullptr) {}

Prescanner::Taken::~Taken() {
    if (m_prescanner) m_prescanner->Done(m_node, m_reading);
}

const NodePrescan* Prescanner::Take(const StructureNode& node) {
    m_visited.store(m_visited.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    std::atomic<uint32_t>& nodeState = StateOf(node);
    uint32_t state = nodeState.load(std::memory_order_acquire);
    for (;;) {
        if (state == kPrescanning) {
            std::this_thread::yield();
            state = nodeState.load(std::memory_order_acquire);
        } else if (state == kFree || state >= kReady) {
            const uint32_t taken = state == kFree ? kWalked : kReading;
            if (nodeState.compare_exchange_weak(state, taken, std::memory_order_acquire))
                return taken == kReading ? &m_slots[state - kReady] : nullptr;
        } else {
            return nullptr;  // evicted, or met a second time
        }
    }
}

void Prescanner::Done(const StructureNode& node, const NodePrescan* prescan) {
    if (prescan) StateOf(node).store(kWalked, std::memory_order_release);
}

// Nothing here allocates or throws: the thread's top needs no handler.
void Prescanner::Run() noexcept {
    size_t made = 0;
    m_nodes.ForEach([&](StructureNode& node) {
        if (m_stop.load(std::memory_order_relaxed) || !WaitForWalk(made++)) return;
        uint32_t state = kFree;
        if (StateOf(node).compare_exchange_strong(state, kPrescanning, std::memory_order_acquire) &&
            !Prescan(node))
            m_stop.store(true, std::memory_order_relaxed);
    });
}

// A node whose reading is not made, told to stop, goes back to kFree for the walk to read itself.
bool Prescanner::Prescan(StructureNode& node) noexcept {
    const uint32_t slot = static_cast<uint32_t>(m_nextSlot++ % m_slotCount);
    NodePrescan& prescan = m_slots[slot];
    std::atomic<uint32_t>& nodeState = StateOf(node);
    if (prescan.node && !Evict(*prescan.node, slot)) {
        nodeState.store(kFree, std::memory_order_release);
        return false;
    }
    PrescanNode(node, prescan);
    nodeState.store(kReady + slot, std::memory_order_release);
    return true;
}

// Half a ring ahead (512 nodes by default) is half a millisecond of a large walk, so the thread can
// sleep a fifth of that between looks and still be well ahead when it wakes; each look costs a
// wake-up (50 us sleeps: 6-7 % of a 1M load's samples on this thread, 200 us: 5.5 %).
bool Prescanner::WaitForWalk(size_t made) const {
    while (made >= m_visited.load(std::memory_order_relaxed) + m_slotCount / 2) {
        if (m_stop.load(std::memory_order_relaxed)) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return !m_stop.load(std::memory_order_relaxed);
}

bool Prescanner::Evict(const StructureNode& node, uint32_t slot) noexcept {
    uint32_t state = kReady + slot;
    std::atomic<uint32_t>& nodeState = StateOf(node);
    if (nodeState.compare_exchange_strong(state, kEvicted, std::memory_order_acquire)) return true;
    while (nodeState.load(std::memory_order_acquire) == kReading) {
        if (m_stop.load(std::memory_order_relaxed)) return false;
        std::this_thread::yield();
    }
    return true;
}

}  // namespace ed
