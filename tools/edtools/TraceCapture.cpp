#include "TraceCapture.h"

#include "ProgressIndicator.h"
#include "TerminalText.h"

namespace edload {

TraceCapture::TraceCapture(Mode mode, ProgressIndicator& progress) : m_mode(mode), m_progress(progress) {}

void TraceCapture::Write(const dp::TraceMessage& message) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_count;
        if (m_mode == Mode::kKeep) m_messages.push_back(message);
    }
    if (m_mode == Mode::kForward) m_progress.WriteAbove(TerminalSafe(message.text));
}

size_t TraceCapture::Count() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_count;
}

}  // namespace edload
