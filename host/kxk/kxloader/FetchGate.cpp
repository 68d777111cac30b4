#include "kxloader/FetchGate.h"

namespace kxloader {

FetchGate& FetchGate::Get() {
    static FetchGate gate;
    return gate;
}

void FetchGate::Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
}

void FetchGate::Open() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = false;
    m_changed.notify_all();
}

void FetchGate::WaitUntilHeld(size_t count) {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_held.size() >= count; });
}

void FetchGate::Deliver(uint64_t request) {
    std::unique_lock<std::mutex> lock(m_mutex);
    ReleaseAndWait(lock, request);
}

uint64_t FetchGate::DeliverNext() {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_held.empty()) return 0;
    uint64_t request = *m_held.begin();
    ReleaseAndWait(lock, request);
    return request;
}

void FetchGate::Pass(uint64_t request, const std::function<void()>& complete) {
    Enter(request);
    complete();
    Leave(request);
}

bool FetchGate::MayPass(uint64_t request) const {
    return !m_closed || m_released.count(request) != 0;
}

// The completion runs outside the lock: it may take long, and a test may ask the gate about other
// fetches meanwhile.
void FetchGate::Enter(uint64_t request) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (MayPass(request)) return;
    m_held.insert(request);
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return MayPass(request); });
    m_held.erase(request);
}

// Taking the lock after the completion also orders everything the completion did before whatever
// the delivering thread does next, in a way race detectors see.
void FetchGate::Leave(uint64_t request) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_released.erase(request) != 0) m_changed.notify_all();
}

void FetchGate::ReleaseAndWait(std::unique_lock<std::mutex>& lock, uint64_t request) {
    m_released.insert(request);
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_released.count(request) == 0; });
}

}  // namespace kxloader
