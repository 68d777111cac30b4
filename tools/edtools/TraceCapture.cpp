#include "TraceCapture.h"

#include "ProgressIndicator.h"
#include "TerminalText.h"

namespace edload {

namespace {

// A trace that quotes a line of the file carries the line's own line feed besides its own: a message
// is one line on the terminal.
std::string OneLine(const std::string& text) {
    const size_t end = text.find_last_not_of('\n');
    return (end == std::string::npos ? std::string() : text.substr(0, end + 1)) + '\n';
}

}  // namespace

TraceCapture::TraceCapture(Mode mode, ProgressIndicator& progress) : m_mode(mode), m_progress(progress) {}

void TraceCapture::Write(const dp::TraceMessage& message) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_count;
        if (m_mode == Mode::kKeep) m_messages.push_back(message);
    }
    if (m_mode == Mode::kForward) m_progress.WriteAbove(TerminalSafe(OneLine(message.text)));
}

size_t TraceCapture::Count() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_count;
}

}  // namespace edload
