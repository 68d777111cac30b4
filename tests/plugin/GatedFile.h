#pragma once

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "kxloader/FileParser.h"

namespace edtest {

// A named pipe standing in for a file whose fetch the test finishes when it chooses: the host's fetch
// worker blocks opening it until the test opens the other end, so the loader stays in the middle of
// a load for as long as the test needs.
class GatedFile {
  public:
    // The race detector does not see the order that the pipe puts between the test and a fetch
    // worker, so a test whose LoadRequest follows a still-blocked fetch of the same loader looks racy
    // to it.
    static constexpr bool kOrderHiddenFromRaceDetector =
#if defined(__SANITIZE_THREAD__)
        true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
        true;
#else
        false;
#endif
#else
        false;
#endif

    explicit GatedFile(const std::string& path) : m_path(path) {
        mkfifo(m_path.c_str(), 0600);
    }
    ~GatedFile() {
        unlink(m_path.c_str());
    }
    GatedFile(const GatedFile&) = delete;
    GatedFile& operator=(const GatedFile&) = delete;

    const std::string& Path() const {
        return m_path;
    }

    // Lets the fetch finish and serves `content` (not empty) to a parse that may follow; returns once
    // the parse has taken all of it or the fetch has ended without one.
    void Deliver(const std::string& content) const {
        size_t running = kxloader::FileParser::PendingFetches();
        // Opening for writing returns only when the fetch worker has the pipe open for reading.
        int handshake = open(m_path.c_str(), O_WRONLY);
        // Both ends in one descriptor keep the pipe and its bytes alive between the fetch's close and
        // the parse's open, and let the parse open without waiting.
        int feed = open(m_path.c_str(), O_RDWR);
        close(handshake);
        if (write(feed, content.data(), content.size()) < 0) return;
        int unread = 0;
        while (ioctl(feed, FIONREAD, &unread) == 0 && unread > 0 &&
               kxloader::FileParser::PendingFetches() == running)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        close(feed);  // the parse now reads the end of the file
    }

    // Lets the fetch finish for a completion that should not parse; a parse would find one empty line.
    void Release() const {
        Deliver("\n");
    }

  private:
    std::string m_path;
};

}  // namespace edtest
