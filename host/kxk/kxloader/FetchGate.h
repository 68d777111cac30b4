#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>

namespace kxloader {

// Test support of the host: while closed, every fetch worker waits just before it delivers its
// completion, so a test decides when, and in which order, a loader's completions run. Open by
// default, when a completion passes after one lock. Process-wide; thread-safe. Waiting for all
// fetches also waits for the held ones, so open the gate first.
//
//   FetchGate& gate = FetchGate::Get();
//   gate.Close();
//   uint64_t first = loader->LoadRequest(a, fileA, &eventA);
//   uint64_t second = loader->LoadRequest(b, fileB, &eventB);
//   gate.Deliver(second);  // returns once the second completion has run
//   gate.Open();           // the first completion, and any later one, runs freely
class FetchGate {
  public:
    static FetchGate& Get();

    // Completions arriving from now on wait until delivered or until the gate opens.
    void Close();
    // Lets every held completion run and no later one wait.
    void Open();
    // Blocks until at least `count` completions are held.
    void WaitUntilHeld(size_t count);
    // Lets the completion of `request`, held now or arriving later, run; returns after it has run.
    // `request` must be a fetch whose completion has not run yet, or this never returns.
    void Deliver(uint64_t request);
    // Delivers the held completion of the earliest request and returns its handle; 0 when none is held.
    uint64_t DeliverNext();

    // The worker's side: runs `complete` for `request` once the gate lets it through.
    void Pass(uint64_t request, const std::function<void()>& complete);

  private:
    FetchGate() = default;
    bool MayPass(uint64_t request) const;
    void Enter(uint64_t request);
    void Leave(uint64_t request);
    void ReleaseAndWait(std::unique_lock<std::mutex>& lock, uint64_t request);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_closed = false;
    std::set<uint64_t> m_held;      // waiting at the gate, ordered by request
    std::set<uint64_t> m_released;  // let through one by one and not yet run
};

}  // namespace kxloader
