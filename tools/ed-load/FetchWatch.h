#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace edload {

// Notes when the host has fetched an ED file, to split the load time into fetch and parse. The fetch
// ends with the host's check of the file, which opens and closes it before the loader is told; the
// first close of the file marks that moment. Watches with inotify; a file that cannot be watched
// (missing, or not on a file system that reports) leaves the moment unknown. Not thread-safe.
class FetchWatch {
  public:
    explicit FetchWatch(const std::string& file);
    ~FetchWatch();
    FetchWatch(const FetchWatch&) = delete;
    FetchWatch& operator=(const FetchWatch&) = delete;

    // Readable when something happened to the file; -1 when not watched.
    int Descriptor() const { return m_descriptor; }
    // Reads what happened without blocking.
    void Drain();
    const std::optional<std::chrono::steady_clock::time_point>& FetchedAt() const { return m_fetchedAt; }

  private:
    int m_descriptor;
    std::optional<std::chrono::steady_clock::time_point> m_fetchedAt;
};

}  // namespace edload
