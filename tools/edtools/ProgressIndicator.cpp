#include "ProgressIndicator.h"

#include <cstdio>

namespace edload {

namespace {

// Short loads should print nothing at all.
constexpr std::chrono::milliseconds kShowAfter(400);
constexpr char kFrames[] = {'|', '/', '-', '\\'};

}  // namespace

ProgressIndicator::ProgressIndicator(std::string label, bool enabled)
    : m_label(std::move(label)), m_enabled(enabled), m_start(std::chrono::steady_clock::now()) {}

void ProgressIndicator::Tick() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_enabled) return;
    auto elapsed = std::chrono::steady_clock::now() - m_start;
    if (elapsed < kShowAfter) return;
    double seconds = std::chrono::duration<double>(elapsed).count();
    std::fprintf(stderr, "\r\033[K%c loading %s  %.1f s", kFrames[m_frame++ % sizeof kFrames],
                 m_label.c_str(), seconds);
    std::fflush(stderr);
    m_shown = true;
}

void ProgressIndicator::Finish() {
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearLine();
    m_enabled = false;
}

void ProgressIndicator::WriteAbove(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ClearLine();
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

void ProgressIndicator::ClearLine() {
    if (!m_shown) return;
    std::fputs("\r\033[K", stderr);
    m_shown = false;
}

}  // namespace edload
