#include "kxloader/FetchRegistry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <new>
#include <string>
#include <system_error>

#include "du/Env.h"
#include "du/FileReader.h"
#include "du/SmartPtr.h"
#include "kxloader/FileParser.h"

namespace kxloader {

FetchRegistry& FetchRegistry::Get() {
    // A function-local static: its destructor joins the workers still running at exit.
    static FetchRegistry registry;
    return registry;
}

// Reaching the gate here finishes building it first, so it is destroyed after the registry, whose
// destructor still waits for workers that pass it.
FetchRegistry::FetchRegistry() : m_gate(FetchGate::Get()) {}

FetchRegistry::~FetchRegistry() {
    WaitAll();
}

std::string FetchRegistry::CheckReadable(const du::Symbol& fileName) {
    std::string path = fileName;
    if (path.empty()) return "Cannot fetch a file without a name";
    int fd = du::Env::Get().Open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        if (error == ENOENT) {
            // In-memory files of tests and fuzzers have no path on disk.
            du::FileReader reader;
            if (reader.Open(fileName)) return std::string();
        }
        return "Cannot fetch file \"" + path + "\": " + std::generic_category().message(error);
    }
    struct stat status;
    bool isDirectory = fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
    close(fd);
    if (isDirectory) return "Cannot fetch file \"" + path + "\": it is a directory";
    return std::string();
}

// The fetch counts as pending from before its thread starts, so a WaitAll meanwhile waits for it; a
// thread that cannot start leaves its work to this thread, as the host's other threads do.
uint64_t FetchRegistry::Start(FileParser* parser, const du::Symbol& fileName) {
    Work work{du::SmartPtr<FileParser>(parser), fileName,
              m_nextHandle.fetch_add(1, std::memory_order_relaxed)};
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        JoinFinished();
        Worker& worker = m_workers.emplace_back();
        ++m_pending;
        try {
            worker.thread = du::Env::Get().StartThread([this, work, &worker]() mutable {
                Fetch(work);
                worker.finished.store(true, std::memory_order_release);
            });
            return work.request;
        } catch (...) {
            m_workers.pop_back();
        }
    }
    Fetch(work);
    return work.request;
}

void FetchRegistry::JoinFinished() {
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (it->finished.load(std::memory_order_acquire)) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

// What fails before the completion (no memory to check the file or record the result) fails the
// fetch as the completion's own escape would: the loader hears nothing, the host's observer does.
void FetchRegistry::Fetch(Work& work) noexcept {
    try {
        const std::string error = CheckReadable(work.fileName);
        work.parser->RecordFetch(work.request, error.empty()
                                                   ? FileParser::FetchResult{true, work.fileName}
                                                   : FileParser::FetchResult{false, du::Symbol(error)});
        if (auto observer = m_observer.load()) observer(work.request, error.empty());
        m_gate.Pass(work.request, [&] { Deliver(*work.parser, work.request, error.empty() ? 0 : 1); });
    } catch (...) {
        Escaped(work.request);
    }
    // Drop the loader before the fetch counts as delivered: waiters may check for leaks next.
    work.parser = nullptr;
    work.fileName = du::Symbol();
    Finish();
}

// The loader's own code runs here, on a thread of ours: an exception it lets through (the loader
// leaves that to its host, an allocation failure deep in a parse among them) stops here, as it would
// otherwise end the process. Whatever the loader released on the way out is gone; what it still holds
// is released with the loader.
void FetchRegistry::Deliver(FileParser& parser, uint64_t request, int status) {
    try {
        parser.OnFetchComplete(request, status);
    } catch (...) {
        Escaped(request);
    }
}

void FetchRegistry::Escaped(uint64_t request) noexcept {
    auto observer = m_escapeObserver.load();
    if (!observer) return;
    using Escape = FileParser::Escape;
    try {
        throw;
    } catch (const std::bad_alloc&) {
        observer(request, Escape::kOutOfMemory, "out of memory");
    } catch (const du::ReadError& error) {
        observer(request, Escape::kReadFailure, error.what());
    } catch (const std::exception& exception) {
        observer(request, Escape::kOther, exception.what());
    } catch (...) {
        observer(request, Escape::kOther, "an unknown exception");
    }
}

void FetchRegistry::Finish() noexcept {
    std::lock_guard<std::mutex> lock(m_mutex);
    --m_pending;
    m_idle.notify_all();
}

void FetchRegistry::WaitAll() {
    for (;;) {
        std::list<Worker> workers;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_idle.wait(lock, [this] { return m_pending == 0; });
            workers.swap(m_workers);
        }
        if (workers.empty()) return;
        for (Worker& worker : workers) worker.thread.join();
    }
}

size_t FetchRegistry::Pending() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pending;
}

}  // namespace kxloader
