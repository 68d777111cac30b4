#pragma once

#include <memory>
#include <sstream>
#include <string>

namespace dp {

// One trace message: the tracer's channel name pair, the trace type (kNoTraceType when the call gave
// none) and the formatted text.
struct TraceMessage {
    static constexpr int kNoTraceType = -1;
    std::string domain;
    std::string name;
    int type = kNoTraceType;
    std::string text;
};

// Where trace messages go. The host installs one; by default they are written to stderr.
class TraceSink {
  public:
    virtual ~TraceSink() = default;
    // May be called on several threads at once.
    virtual void Write(const TraceMessage& message) = 0;
};

// Installs `sink` for the whole process (null restores stderr). The caller keeps ownership.
void SetTraceSink(TraceSink* sink);

// Routes the traces of the current thread to `sink` while it lives, whatever the process sink is;
// lets concurrent loads keep their traces apart.
class ScopedThreadTraceSink {
  public:
    explicit ScopedThreadTraceSink(TraceSink* sink);
    ~ScopedThreadTraceSink();
    ScopedThreadTraceSink(const ScopedThreadTraceSink&) = delete;
    ScopedThreadTraceSink& operator=(const ScopedThreadTraceSink&) = delete;

  private:
    TraceSink* m_previous;
};

// Collects text through a stream and sends it as one message when destroyed.
class TraceFormatter {
  public:
    TraceFormatter(const char* domain, const char* name, int type);
    TraceFormatter(TraceFormatter&& other) noexcept;
    ~TraceFormatter();

    std::ostream& stream() { return *m_stream; }

  private:
    TraceMessage m_message;
    std::unique_ptr<std::ostringstream> m_stream;
};

// A tracer bound to a channel name pair, e.g. KXTracer("ed", "Parser"). Thread-safe.
//
//   static dp::KXTracer tracer("ed", "Parser");
//   tracer("Got a redirect for %s\n", target);
//   tracer(3, "Bad property redefinition in ED file \"%s\"\n", name);
//   tracer.Formatter(3).stream() << "text";   // sent when the formatter goes
class KXTracer {
  public:
    KXTracer(const char* domain, const char* name) : m_domain(domain), m_name(name) {}

    void operator()(const char* format, ...) const __attribute__((format(printf, 2, 3)));
    void operator()(int type, const char* format, ...) const __attribute__((format(printf, 3, 4)));
    TraceFormatter Formatter(int type) const { return TraceFormatter(m_domain, m_name, type); }

  private:
    const char* m_domain;
    const char* m_name;
};

// Sends one finished message to the current sink.
void Emit(const TraceMessage& message);

}  // namespace dp
