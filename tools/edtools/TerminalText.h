#pragma once

#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace edload {

// `text` with every byte that could steer a terminal written as a visible escape ("\x1b"): C0 controls
// but the line feed, DEL, C1 controls (raw or encoded as UTF-8) and bytes that are not well-formed
// UTF-8. A name in a file can then neither retitle nor repaint the terminal that shows it.
std::string TerminalSafe(std::string_view text);

// Passes what is written through TerminalSafe, one line at a time so that a character split across
// two writes stays whole, into `target`, which must outlive it. Flush (or destroy) it to pass a last
// line without a line feed.
class TerminalSafeBuffer : public std::streambuf {
  public:
    explicit TerminalSafeBuffer(std::ostream& target) : m_target(target) {}
    ~TerminalSafeBuffer() override { sync(); }

  protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

  private:
    void PassLines();

    std::ostream& m_target;  // its state tells of failed writes
    std::string m_pending;
};

}  // namespace edload
