#include "Prescanner.h"

#include <chrono>
#include <system_error>

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

Prescanner::Prescanner(RecordTable<StructureNode>& nodes, const NameCache& names)
    : m_nodes(nodes), m_states(nodes.Count()), m_slots(new NodePrescan[kSlots]) {
    names.ForEach(&MatchBuilderProperties);
    try {
        m_thread = std::thread(&Prescanner::Run, this);
    } catch (const std::system_error&) {
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

void Prescanner::Run() {
    size_t made = 0;
    m_nodes.ForEach([&](StructureNode& node) {
        if (!WaitForWalk(made++)) return;
        uint32_t state = kFree;
        if (StateOf(node).compare_exchange_strong(state, kPrescanning, std::memory_order_acquire))
            Prescan(node);
    });
}

void Prescanner::Prescan(StructureNode& node) {
    const uint32_t slot = static_cast<uint32_t>(m_nextSlot++ % kSlots);
    NodePrescan& prescan = m_slots[slot];
    if (prescan.node) Evict(*prescan.node, slot);
    PrescanNode(node, prescan);
    StateOf(node).store(kReady + slot, std::memory_order_release);
}

bool Prescanner::WaitForWalk(size_t made) const {
    while (made >= m_visited.load(std::memory_order_relaxed) + kLead) {
        if (m_stop.load(std::memory_order_relaxed)) return false;
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    return !m_stop.load(std::memory_order_relaxed);
}

void Prescanner::Evict(const StructureNode& node, uint32_t slot) {
    uint32_t state = kReady + slot;
    std::atomic<uint32_t>& nodeState = StateOf(node);
    if (nodeState.compare_exchange_strong(state, kEvicted, std::memory_order_acquire)) return;
    while (nodeState.load(std::memory_order_acquire) == kReading) std::this_thread::yield();
}

}  // namespace ed
