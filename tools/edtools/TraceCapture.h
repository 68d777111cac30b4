#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "dp/KXTracer.h"

namespace edload {

class ProgressIndicator;

// The trace sink of one load: counts every message and keeps it (for the JSON document), forwards it
// to stderr (through the progress line, with terminal controls made visible) or drops it. Thread-safe: the
// loader traces on the host's worker thread.
class TraceCapture : public dp::TraceSink {
  public:
    enum class Mode { kKeep, kForward, kDrop };

    // `progress` is used in kForward mode and must outlive the capture.
    TraceCapture(Mode mode, ProgressIndicator& progress);

    void Write(const dp::TraceMessage& message) override;

    size_t Count() const;
    // The kept messages, in arrival order (empty unless kKeep). Read after the load has ended.
    const std::vector<dp::TraceMessage>& Messages() const { return m_messages; }

  private:
    Mode m_mode;
    ProgressIndicator& m_progress;
    mutable std::mutex m_mutex;
    size_t m_count = 0;
    std::vector<dp::TraceMessage> m_messages;
};

// Installs a sink for the whole process while it lives. A per-thread sink would miss the parse, which
// runs on the host's fetch worker thread.
class ScopedProcessTraceSink {
  public:
    explicit ScopedProcessTraceSink(dp::TraceSink& sink) { dp::SetTraceSink(&sink); }
    ~ScopedProcessTraceSink() { dp::SetTraceSink(nullptr); }
    ScopedProcessTraceSink(const ScopedProcessTraceSink&) = delete;
    ScopedProcessTraceSink& operator=(const ScopedProcessTraceSink&) = delete;
};

}  // namespace edload
