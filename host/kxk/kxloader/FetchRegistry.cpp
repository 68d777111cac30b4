#include "kxloader/FetchRegistry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <new>
#include <string>
#include <system_error>

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
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
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

uint64_t FetchRegistry::Start(FileParser* parser, const du::Symbol& fileName) {
    uint64_t handle = m_nextHandle.fetch_add(1, std::memory_order_relaxed);
    du::SmartPtr<FileParser> held(parser);
    auto finished = std::make_shared<std::atomic<bool>>(false);

    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (it->finished->load(std::memory_order_acquire)) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
    ++m_pending;
    std::thread thread([this, held, name = du::Symbol(fileName), handle, finished]() mutable {
        std::string error = CheckReadable(name);
        held->RecordFetch(handle, error.empty() ? FileParser::FetchResult{true, name}
                                                : FileParser::FetchResult{false, du::Symbol(error)});
        if (auto observer = m_observer.load()) observer(handle, error.empty());
        m_gate.Pass(handle, [&] { Deliver(*held, handle, error.empty() ? 0 : 1); });
        // Drop the loader before the fetch counts as delivered: waiters may check for leaks next.
        held = nullptr;
        name = du::Symbol();
        Finish();
        finished->store(true, std::memory_order_release);
    });
    m_workers.push_back(Worker{std::move(thread), finished});
    return handle;
}

// The loader's own code runs here, on a thread of ours: an exception it lets through (the loader
// leaves that to its host, an allocation failure deep in a parse among them) stops here, as it would
// otherwise end the process. Whatever the loader released on the way out is gone; what it still holds
// is released with the loader.
void FetchRegistry::Deliver(FileParser& parser, uint64_t request, int status) {
    auto escaped = [&](const char* reason) {
        if (auto observer = m_escapeObserver.load()) observer(request, reason);
    };
    try {
        parser.OnFetchComplete(request, status);
    } catch (const std::bad_alloc&) {
        escaped("out of memory");
    } catch (const std::exception& exception) {
        escaped(exception.what());
    } catch (...) {
        escaped("an unknown exception");
    }
}

void FetchRegistry::Finish() {
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
