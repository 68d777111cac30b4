#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "du/Symbol.h"
#include "kxloader/FetchGate.h"

namespace kxloader {

class FileParser;

// The host side of file fetches: one worker thread per fetch, which checks the file, records the
// result on the loader and, once the fetch gate lets it through, delivers the completion while
// holding a counted reference to the loader. The registry owns the threads and joins them (finished
// ones on the next fetch, all of them in WaitAll and at process exit), so none outlives the process.
// Thread-safe.
class FetchRegistry {
  public:
    static FetchRegistry& Get();
    ~FetchRegistry();

    // Returns the request handle (never 0) at once; the worker runs `parser`'s completion later.
    uint64_t Start(FileParser* parser, const du::Symbol& fileName);
    void WaitAll();
    size_t Pending() const;
    void SetObserver(void (*observer)(uint64_t request, bool fetched)) { m_observer.store(observer); }
    void SetEscapeObserver(void (*observer)(uint64_t request, const char* reason)) {
        m_escapeObserver.store(observer);
    }

    // The reason `fileName` cannot be read, or empty when it can.
    static std::string CheckReadable(const du::Symbol& fileName);

  private:
    FetchRegistry();
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    void Deliver(FileParser& parser, uint64_t request, int status);
    void Finish();

    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    std::list<Worker> m_workers;
    size_t m_pending = 0;
    std::atomic<uint64_t> m_nextHandle{1};
    FetchGate& m_gate;
    std::atomic<void (*)(uint64_t, bool)> m_observer{nullptr};
    std::atomic<void (*)(uint64_t, const char*)> m_escapeObserver{nullptr};
};

}  // namespace kxloader
