#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxloader/FetchGate.h"
#include "kxloader/FileParser.h"

namespace kxloader {

// The host side of file fetches: one worker thread per fetch, which checks the file, records the
// result on the loader and, once the fetch gate lets it through, delivers the completion while
// holding a counted reference to the loader. The registry owns the threads and joins them (finished
// ones on the next fetch, all of them in WaitAll and at process exit), so none outlives the process.
// When no thread can be had, the fetch runs on the caller of Start instead, before Start returns.
// Nothing a fetch throws leaves it: the escape observer hears of it. Thread-safe.
class FetchRegistry {
  public:
    static FetchRegistry& Get();
    ~FetchRegistry();

    // Returns the request handle (never 0) at once; the worker runs `parser`'s completion later.
    uint64_t Start(FileParser* parser, const du::Symbol& fileName);
    void WaitAll();
    size_t Pending() const;
    void SetObserver(void (*observer)(uint64_t request, bool fetched)) { m_observer.store(observer); }
    void SetEscapeObserver(FileParser::EscapeObserver observer) { m_escapeObserver.store(observer); }

    // The reason `fileName` cannot be read, or empty when it can.
    static std::string CheckReadable(const du::Symbol& fileName);

  private:
    FetchRegistry();
    // A worker's thread, in a list node that stays put until the thread is joined.
    struct Worker {
        std::thread thread;
        std::atomic<bool> finished{false};
    };
    struct Work {
        du::SmartPtr<FileParser> parser;
        du::Symbol fileName;
        uint64_t request;
    };
    void JoinFinished();
    // The whole of one fetch, counted pending by the caller; ends by counting it done.
    void Fetch(Work& work) noexcept;
    void Deliver(FileParser& parser, uint64_t request, int status);
    // Tells the escape observer what the exception being handled was.
    void Escaped(uint64_t request) noexcept;
    void Finish() noexcept;

    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    std::list<Worker> m_workers;
    size_t m_pending = 0;
    std::atomic<uint64_t> m_nextHandle{1};
    FetchGate& m_gate;
    std::atomic<void (*)(uint64_t, bool)> m_observer{nullptr};
    std::atomic<FileParser::EscapeObserver> m_escapeObserver{nullptr};
};

}  // namespace kxloader
