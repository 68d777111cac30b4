#pragma once

#include <atomic>
#include <chrono>

#include "kxk/AsyncEvent.h"

namespace edload {

// The completion event that ed-load hands to the loader. Besides what the host event records, it
// notes when it was first told and makes a descriptor readable then, so that the waiting thread can
// sleep in poll() on it together with other descriptors. Thread-safe.
class LoadEvent : public kxk::AsyncEvent {
  public:
    LoadEvent();
    ~LoadEvent() override;

    void ReportFailure(const du::Symbol& message, int value) override;
    void SignalDone() override;

    // Readable once the event has been told; -1 when no descriptor could be made (then poll times out).
    int WakeDescriptor() const { return m_wake; }
    // Valid once IsDone().
    std::chrono::steady_clock::time_point ToldAt() const;

  private:
    void Told();
    void Wake();

    int m_wake;
    std::atomic<bool> m_told{false};
    std::atomic<std::chrono::steady_clock::rep> m_toldAt{0};
};

}  // namespace edload
