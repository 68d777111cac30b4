#include "LoadEvent.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace edload {

LoadEvent::LoadEvent() : m_wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

LoadEvent::~LoadEvent() {
    if (m_wake >= 0) close(m_wake);
}

void LoadEvent::ReportFailure(const du::Symbol& message, int value) {
    Told();
    kxk::AsyncEvent::ReportFailure(message, value);
    Wake();
}

void LoadEvent::SignalDone() {
    Told();
    kxk::AsyncEvent::SignalDone();
    Wake();
}

std::chrono::steady_clock::time_point LoadEvent::ToldAt() const {
    return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(m_toldAt.load()));
}

// The time is taken before the base records the outcome, so a waiter that sees IsDone() also sees it.
void LoadEvent::Told() {
    if (m_told.exchange(true)) return;
    m_toldAt.store(std::chrono::steady_clock::now().time_since_epoch().count());
}

void LoadEvent::Wake() {
    if (m_wake < 0) return;
    uint64_t one = 1;
    ssize_t written = write(m_wake, &one, sizeof one);
    (void)written;  // a full counter is already readable
}

}  // namespace edload
