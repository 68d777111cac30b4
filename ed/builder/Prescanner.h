#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

#include "BuilderScan.h"
#include "ed/reader/RecordTable.h"

namespace ed {

class NameCache;

// A second thread that reads the builder properties of the nodes ahead of the build walk (PrescanNode),
// in the order the nodes were made, which is the walk's order in files written top down. It reads
// location, colour and box texts, a fifth of a large build, while the walk makes the host's objects
// in order on its own thread.
//
// The walk and the thread agree on each node through its `prescan` state, so that only one of them
// ever reads the node's chain while the other may change it: the thread takes a node that the walk
// has not reached, and the walk takes a node that the thread has not, or the thread's reading of it.
// Readings live in a ring of slots; the thread stays at most half a ring ahead of the walk and takes
// back a slot that the walk never came for. Every node the walk reaches is built the same either way.
//
//   Prescanner prescanner(nodes, nameCache);
//   const NodePrescan* prescan = prescanner.Take(node);   // null: read the node yourself
//   ... ScanBuilderProperties(node, factor, settings, prescan) ...
//   prescanner.Done(node, prescan);
class Prescanner {
  public:
    // Matches every name first (MatchBuilderProperties). Without a thread to be had, Take always
    // answers null. `nodes` must not change until this object is gone.
    Prescanner(RecordTable<StructureNode>& nodes, const NameCache& names);
    // Stops and joins the thread.
    ~Prescanner();
    Prescanner(const Prescanner&) = delete;
    Prescanner& operator=(const Prescanner&) = delete;

    // On the walk's thread, before the walk reads the node's builder properties or changes any.
    const NodePrescan* Take(StructureNode& node);
    // Gives back what Take gave, once the walk has used it.
    void Done(StructureNode& node, const NodePrescan* prescan);

  private:
    static constexpr size_t kSlots = 1024;
    static constexpr size_t kLead = kSlots / 2;

    // On the thread.
    void Run();
    void Prescan(StructureNode& node);
    // Waits until the walk has come within kLead of `made` nodes; false when told to stop.
    bool WaitForWalk(size_t made) const;
    // Takes the slot back from the node whose reading it holds, unless the walk is using it.
    static void Evict(const StructureNode& node, uint32_t slot);

    RecordTable<StructureNode>& m_nodes;
    std::unique_ptr<NodePrescan[]> m_slots;
    size_t m_nextSlot = 0;  // the thread's
    // Nodes the walk has taken, written at every node: on a cache line of its own, away from what the
    // thread writes as often.
    alignas(64) std::atomic<size_t> m_visited{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace ed
