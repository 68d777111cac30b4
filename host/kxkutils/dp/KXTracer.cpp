#include "dp/KXTracer.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <shared_mutex>

namespace dp {

namespace {

// Writes each message whole, so that traces of concurrent loads do not interleave within a line.
class StderrSink : public TraceSink {
  public:
    void Write(const TraceMessage& message) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::fwrite(message.text.data(), 1, message.text.size(), stderr);
        std::fflush(stderr);
    }

  private:
    std::mutex m_mutex;
};

// Built on first use and never destroyed: static objects trace during exit too.
StderrSink& TheStderrSink() {
    static StderrSink* sink = new StderrSink;
    return *sink;
}

// Writers hold the lock shared, so that SetTraceSink returns only once no thread is still inside the
// sink it replaced, and its owner may then destroy it. A sink must therefore not trace itself.
std::shared_mutex& ProcessSinkMutex() {
    static std::shared_mutex* mutex = new std::shared_mutex;
    return *mutex;
}
TraceSink* g_processSink = nullptr;
thread_local TraceSink* t_threadSink = nullptr;

std::string Format(const char* format, va_list args) {
    if (!format) return std::string();
    char small[256];
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(small, sizeof small, format, args);
    std::string text;
    if (n < 0) {
        // An encoding error in a wide argument; the format itself is the best text left.
        text = format;
    } else if (static_cast<size_t>(n) < sizeof small) {
        text.assign(small, static_cast<size_t>(n));
    } else {
        text.resize(static_cast<size_t>(n));
        std::vsnprintf(&text[0], text.size() + 1, format, again);
    }
    va_end(again);
    return text;
}

void Send(const char* domain, const char* name, int type, std::string text) {
    TraceMessage message;
    message.domain = domain ? domain : "";
    message.name = name ? name : "";
    message.type = type;
    message.text = std::move(text);
    Emit(message);
}

}  // namespace

void SetTraceSink(TraceSink* sink) {
    std::unique_lock<std::shared_mutex> lock(ProcessSinkMutex());
    g_processSink = sink;
}

ScopedThreadTraceSink::ScopedThreadTraceSink(TraceSink* sink) : m_previous(t_threadSink) {
    t_threadSink = sink;
}

ScopedThreadTraceSink::~ScopedThreadTraceSink() {
    t_threadSink = m_previous;
}

void Emit(const TraceMessage& message) {
    if (TraceSink* own = t_threadSink) {
        own->Write(message);
        return;
    }
    std::shared_lock<std::shared_mutex> lock(ProcessSinkMutex());
    (g_processSink ? g_processSink : &TheStderrSink())->Write(message);
}

TraceFormatter::TraceFormatter(const char* domain, const char* name, int type)
    : m_stream(new std::ostringstream) {
    m_message.domain = domain ? domain : "";
    m_message.name = name ? name : "";
    m_message.type = type;
}

TraceFormatter::TraceFormatter(TraceFormatter&& other) noexcept
    : m_message(std::move(other.m_message)), m_stream(std::move(other.m_stream)) {}

TraceFormatter::~TraceFormatter() {
    // A formatter that was moved from has nothing to send.
    if (!m_stream) return;
    m_message.text = m_stream->str();
    Emit(m_message);
}

void KXTracer::operator()(const char* format, ...) const {
    va_list args;
    va_start(args, format);
    std::string text = Format(format, args);
    va_end(args);
    Send(m_domain, m_name, TraceMessage::kNoTraceType, std::move(text));
}

void KXTracer::operator()(int type, const char* format, ...) const {
    va_list args;
    va_start(args, format);
    std::string text = Format(format, args);
    va_end(args);
    Send(m_domain, m_name, type, std::move(text));
}

}  // namespace dp
