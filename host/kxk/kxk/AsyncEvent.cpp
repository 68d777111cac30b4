#include "kxk/AsyncEvent.h"

namespace kxk {

void AsyncEvent::ReportFailure(const du::Symbol& message, int value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_failure = message;
    m_failureValue = value;
    ++m_failures;
    m_done = true;
    m_changed.notify_all();
}

void AsyncEvent::SignalDone() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_signals;
    m_done = true;
    m_changed.notify_all();
}

void AsyncEvent::Wait() const {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_done; });
}

bool AsyncEvent::IsDone() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_done;
}

bool AsyncEvent::HasFailed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failures > 0;
}

du::Symbol AsyncEvent::GetFailure() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failure;
}

int AsyncEvent::GetFailureValue() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failureValue;
}

size_t AsyncEvent::GetSignalCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_signals;
}

size_t AsyncEvent::GetFailureCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_failures;
}

}  // namespace kxk
