#pragma once

#include <chrono>
#include <mutex>
#include <string>

namespace edload {

// A spinner with the elapsed time on one stderr line, shown only when enabled (stderr is a terminal
// and the user did not ask for quiet) and only once a load takes more than a moment. Tick and Finish
// are called by the waiting thread; WriteAbove may be called from any thread. Thread-safe.
class ProgressIndicator {
  public:
    ProgressIndicator(std::string label, bool enabled);

    // Redraws the line when it is due.
    void Tick();
    // Removes the line for good.
    void Finish();
    // Writes `text` to stderr without tearing the spinner line (it is redrawn on the next tick).
    void WriteAbove(const std::string& text);

  private:
    void ClearLine();

    std::mutex m_mutex;
    std::string m_label;
    bool m_enabled;
    bool m_shown = false;
    unsigned m_frame = 0;
    std::chrono::steady_clock::time_point m_start;
};

}  // namespace edload
