#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "du/RefCounted.h"
#include "du/Symbol.h"
#include "kxk/MemoryPoolAllocated.h"

namespace kxloader {

// Base of host loaders that read files. A loader asks the host to fetch a file (GetFile); a host
// worker thread later calls OnFetchComplete with the request handle, holding a counted reference to
// the loader for the call. So a loader must be held by counted reference while fetches run.
// The fetch results are locked; the loader's own state is its own business.
//
//   uint64_t request = GetFile(du::Symbol("a.ed"), true, du::Symbol::EMPTY);
//   // ... later, on a host thread: OnFetchComplete(request, 0) -> GetAsyncFileName(request, local)
class FileParser : public kxk::MemoryPoolAllocated, public du::RefCounted {
  public:
    FileParser() = default;
    ~FileParser() override;

    virtual const char* GetDebugClassName() const { return "kxloader::FileParser"; }
    virtual bool CapabilityQuery() { return false; }
    // Status 0: fetched, GetAsyncFileName gives the local name; 1: failed, GetAsyncError says why.
    virtual void OnFetchComplete(uint64_t request, int status);
    virtual const char* GetParserName() const { return ""; }
    virtual bool IsPresaveNeeded() const { return false; }
    virtual bool Presave() { return true; }

    // Blocks until every fetch started so far, by any loader, has been delivered and its worker
    // thread joined. Must not be called from inside OnFetchComplete.
    static void WaitForPendingFetches();
    // Fetches started and not yet delivered, process-wide.
    static size_t PendingFetches();

    // Called on the fetch worker when a fetch has finished, just before its completion is delivered,
    // so that a host can time its fetches apart from the loading that follows. Null (the default)
    // for none; set it while no fetch runs.
    using FetchObserver = void (*)(uint64_t request, bool fetched);
    static void SetFetchObserver(FetchObserver observer);
    // Called on the fetch worker when an exception left the fetch or the completion of `request`:
    // `reason` is "out of memory", a du::ReadError's text (`cannot read "FILE": ...`) or the
    // exception's text. The host catches it there, so it never ends the worker and with it the
    // process; the loader has not told its event then, and the host, which owns the event and the
    // structure, completes the load as failed. Same rules as the observer.
    enum class Escape { kOutOfMemory, kReadFailure, kOther };
    using EscapeObserver = void (*)(uint64_t request, Escape kind, const char* reason);
    static void SetEscapeObserver(EscapeObserver observer);

  protected:
    // Starts fetching `fileName` and returns a fresh, non-zero request handle at once. `wait` and
    // `context` are accepted for the host's signature. The worker checks that the file can be opened
    // for reading (a regular file, or an in-memory file of du::FileReader).
    uint64_t GetFile(const du::Symbol& fileName, bool wait, const du::Symbol& context);
    // False when the handle is unknown to this loader or its fetch failed (or is still running).
    bool GetAsyncFileName(uint64_t request, du::Symbol& out);
    // False when the handle is unknown to this loader or its fetch succeeded (or is still running).
    bool GetAsyncError(uint64_t request, du::Symbol& out);

  private:
    friend class FetchRegistry;
    struct FetchResult {
        bool ok;
        du::Symbol text;  // local file name, or the error text
    };
    void RecordFetch(uint64_t request, const FetchResult& result);

    std::mutex m_fetchMutex;
    std::unordered_map<uint64_t, FetchResult> m_fetches;
};

}  // namespace kxloader
