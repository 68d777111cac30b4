#include "FetchWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cstring>

namespace edload {

FetchWatch::FetchWatch(const std::string& file) : m_descriptor(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (m_descriptor < 0) return;
    if (inotify_add_watch(m_descriptor, file.c_str(), IN_CLOSE_NOWRITE) < 0) {
        close(m_descriptor);
        m_descriptor = -1;
    }
}

FetchWatch::~FetchWatch() {
    if (m_descriptor >= 0) close(m_descriptor);
}

void FetchWatch::Drain() {
    if (m_descriptor < 0) return;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        ssize_t n = read(m_descriptor, buffer, sizeof buffer);
        if (n <= 0) return;
        for (ssize_t at = 0; at < n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            if ((event.mask & IN_CLOSE_NOWRITE) && !m_fetchedAt)
                m_fetchedAt = std::chrono::steady_clock::now();
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
        }
    }
}

}  // namespace edload
