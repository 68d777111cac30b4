#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>

#include "du/Symbol.h"

namespace kxk {

// Completion event of an asynchronous host operation: the worker either reports a failure or
// signals completion, and anyone may wait for that. Either call ends the wait. Owned by whoever
// started the operation; thread-safe.
class AsyncEvent {
  public:
    AsyncEvent() = default;
    virtual ~AsyncEvent() = default;
    AsyncEvent(const AsyncEvent&) = delete;
    AsyncEvent& operator=(const AsyncEvent&) = delete;

    virtual void ReportFailure(const du::Symbol& message, int value);
    virtual void SignalDone();

    // Blocks until SignalDone or ReportFailure has been called at least once.
    void Wait() const;
    bool IsDone() const;
    bool HasFailed() const;
    // The message and value of the last ReportFailure (null and 0 when none).
    du::Symbol GetFailure() const;
    int GetFailureValue() const;
    size_t GetSignalCount() const;
    size_t GetFailureCount() const;

  private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_done = false;
    du::Symbol m_failure;
    int m_failureValue = 0;
    size_t m_signals = 0;
    size_t m_failures = 0;
};

}  // namespace kxk
