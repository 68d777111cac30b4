#pragma once

#include <cstddef>
#include <cstdint>

#include "kxloader/FetchGate.h"

namespace edtest {

// Holds the completion of every fetch started while it lives until the test delivers it, so a
// loader stays in the middle of a load for as long as the test needs. Opens the host's fetch gate
// when it goes, before a fixture waits for all fetches. One at a time; not thread-safe.
//
//   edtest::HeldFetches held;
//   uint64_t request = loader->LoadRequest(structure, file, &event);
//   // ... the load is pending ...
//   held.Deliver(request);  // the completion has run
class HeldFetches {
  public:
    HeldFetches() : m_gate(kxloader::FetchGate::Get()) { m_gate.Close(); }
    ~HeldFetches() { m_gate.Open(); }
    HeldFetches(const HeldFetches&) = delete;
    HeldFetches& operator=(const HeldFetches&) = delete;

    // Returns once the completion of `request` has run.
    void Deliver(uint64_t request) { m_gate.Deliver(request); }
    // Runs the held completion of the earliest request and returns that request; 0 when none is held.
    uint64_t DeliverNext() { return m_gate.DeliverNext(); }
    // Returns once `count` fetches have been checked and recorded and wait to be delivered.
    void WaitUntilHeld(size_t count) { m_gate.WaitUntilHeld(count); }

  private:
    kxloader::FetchGate& m_gate;
};

}  // namespace edtest
