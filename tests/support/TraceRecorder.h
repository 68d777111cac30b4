#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "dp/KXTracer.h"

namespace edtest {

// Captures the traces of the current thread for the lifetime of the recorder.
class TraceRecorder : public dp::TraceSink {
  public:
    TraceRecorder() : m_scope(this) {}

    void Write(const dp::TraceMessage& message) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back(message);
    }
    std::vector<dp::TraceMessage> Messages() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }
    // The texts alone, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& m : Messages()) texts.push_back(m.text);
        return texts;
    }
    void Reset() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.clear();
    }

  private:
    mutable std::mutex m_mutex;
    std::vector<dp::TraceMessage> m_messages;
    dp::ScopedThreadTraceSink m_scope;
};

}  // namespace edtest
