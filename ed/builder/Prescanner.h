#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "BuilderScan.h"
#include "ed/reader/RecordTable.h"
#include "ed/reader/Records.h"

namespace ed {

class NameCache;

// A second thread that reads the builder properties of the nodes ahead of the build walk (PrescanNode),
// in the order the nodes were made, which is the walk's order in files written top down. It reads
// location, colour and box texts, a fifth of a large build, while the walk makes the host's objects
// in order on its own thread. Every node the walk reaches is built the same either way.
//
// Each node has a state, kept here by the node's index, through which the walk and the thread agree
// on who reads it: the thread reads a node that the walk has not taken, and the walk takes a node
// that the thread has not, or takes the thread's reading of it. That keeps them off each other's
// node, but not off each other's property records: a copy node that took its source's chain whole
// reaches the very records of another node, so the thread may read a record while the walk, at the
// other node, writes to it. That is safe because of four things, each kept where it is done:
//   1. the walk writes only `pending` of such a record, a memory location of its own that the thread
//      never reads (PropertyInfo);
//   2. the walk moves no value out of a shared record, it copies it (AddProperties), and retires
//      only the records of chains nobody shares, once their one node is taken (BuildWalk);
//   3. every record that two nodes reach is marked shared before the build starts (ApplyCopies);
//   4. each name's builder matches are filled before the thread starts, so the thread only reads them
//      (the constructor below).
// Readings live in a ring of slots; the thread stays at most half a ring ahead of the walk and takes
// back a slot that the walk never came for.
//
//   Prescanner prescanner(nodes, nameCache);
//   {
//       const Prescanner::Taken taken(&prescanner, node);   // a null prescanner takes nothing
//       ScanBuilderProperties(node, factor, settings, taken.Reading());
//   }   // the slot goes back
class Prescanner {
  public:
    // Matches every name first (MatchBuilderProperties). Holds `slots` readings (at least 2) and stays
    // at most half of them ahead of the walk. Without a thread to be had, nothing is read ahead.
    // `nodes` must not change until this object is gone.
    Prescanner(RecordTable<StructureNode>& nodes, const NameCache& names, size_t slots);
    // Stops and joins the thread.
    ~Prescanner();
    Prescanner(const Prescanner&) = delete;
    Prescanner& operator=(const Prescanner&) = delete;

    // The walk's hold on one node, from before it reads the node's builder properties or changes any
    // until it has used what the thread read ahead; on the walk's thread.
    class Taken {
      public:
        Taken(Prescanner* prescanner, const StructureNode& node);
        ~Taken();
        Taken(const Taken&) = delete;
        Taken& operator=(const Taken&) = delete;

        // The thread's reading of the node; null: read the node yourself.
        const NodePrescan* Reading() const { return m_reading; }

      private:
        Prescanner* m_prescanner;
        const StructureNode& m_node;
        const NodePrescan* m_reading;
    };

  private:
    // On the walk's thread.
    const NodePrescan* Take(const StructureNode& node);
    void Done(const StructureNode& node, const NodePrescan* prescan);

    // On the thread.
    void Run() noexcept;
    // False when told to stop.
    bool Prescan(StructureNode& node) noexcept;
    // Waits until the walk has come within half a ring of `made` nodes; false when told to stop.
    bool WaitForWalk(size_t made) const;
    // Takes the slot back from the node whose reading it holds, waiting while the walk uses it; false
    // when told to stop meanwhile.
    bool Evict(const StructureNode& node, uint32_t slot) noexcept;

    std::atomic<uint32_t>& StateOf(const StructureNode& node) { return m_states[node.index]; }

    RecordTable<StructureNode>& m_nodes;
    std::vector<std::atomic<uint32_t>> m_states;  // by node index
    const size_t m_slotCount;
    std::unique_ptr<NodePrescan[]> m_slots;
    size_t m_nextSlot = 0;  // the thread's
    // Nodes the walk has taken, written at every node: on a cache line of its own, away from what the
    // thread writes as often.
    alignas(64) std::atomic<size_t> m_visited{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace ed
