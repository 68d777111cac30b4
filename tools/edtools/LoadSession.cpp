#include "LoadSession.h"

#include <poll.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <new>

#include "LoadEvent.h"
#include "ProcessMemory.h"
#include "ProgressIndicator.h"
#include "TraceCapture.h"
#include "du/Env.h"

namespace edload {

namespace {

using Clock = std::chrono::steady_clock;

// Often enough for a lively spinner, seldom enough to cost nothing.
constexpr int kTickMilliseconds = 100;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// When the host finished fetching the file of the one load ed-load runs; the epoch while unknown.
std::atomic<Clock::rep> g_fetchedAt{0};

void NoteFetched(uint64_t /*request*/, bool fetched) {
    if (fetched) g_fetchedAt.store(Clock::now().time_since_epoch().count());
}

// What escaped the completion of the one load ed-load runs; empty while nothing did. Short texts such
// as "out of memory" fit a string without allocating, which matters right after an allocation failed;
// a longer one that finds no memory leaves the kind alone.
std::mutex g_escapedMutex;
std::string g_escaped;
kxloader::FileParser::Escape g_escapedKind = kxloader::FileParser::Escape::kOther;

void NoteEscaped(uint64_t /*request*/, kxloader::FileParser::Escape kind, const char* reason) {
    std::lock_guard<std::mutex> lock(g_escapedMutex);
    g_escapedKind = kind;
    try {
        g_escaped = reason;
    } catch (const std::bad_alloc&) {
        g_escaped = "out of memory";
        g_escapedKind = kxloader::FileParser::Escape::kOutOfMemory;
    }
}

// The loader leaves its event untold when an exception leaves its completion. The host owns the event,
// so it completes the load as failed itself, with what the exception was as the reason.
void ReportEscaped(LoadEvent& event, LoadResult& result) {
    {
        std::lock_guard<std::mutex> lock(g_escapedMutex);
        result.escaped.swap(g_escaped);
        result.escapedKind = g_escapedKind;
    }
    if (!result.escaped.empty() && !event.IsDone()) event.ReportFailure(du::Symbol(result.escaped), 1);
}

// Sleeps until the loader tells the event. A loader may also return from its fetch completion without
// telling it (an exception inside the parse does that); the host's count of pending fetches ends the
// wait then.
void WaitForLoader(const LoadEvent& event, ProgressIndicator& progress) {
    pollfd descriptor = {event.WakeDescriptor(), POLLIN, 0};
    while (!event.IsDone() && kxloader::FileParser::PendingFetches() > 0) {
        progress.Tick();
        poll(&descriptor, 1, kTickMilliseconds);
    }
}

LoadTimings Measure(Clock::time_point start, const LoadEvent& event) {
    Clock::time_point end = event.IsDone() ? event.ToldAt() : Clock::now();
    LoadTimings timings;
    timings.total = Seconds(start, end);
    if (const Clock::rep fetchedAt = g_fetchedAt.load()) {
        const Clock::time_point fetched{Clock::duration(fetchedAt)};
        timings.fetch = Seconds(start, fetched);
        timings.parseAndBuild = Seconds(fetched, end);
    }
    return timings;
}

std::string AbsolutePath(const std::string& file) {
    std::error_code error;
    std::filesystem::path path = std::filesystem::absolute(file, error);
    return error ? file : path.lexically_normal().string();
}

}  // namespace

std::string LoadResult::FailureReason() const {
    if (Succeeded()) return std::string();
    if (!eventDone) return "the loader finished without reporting the outcome of the load";
    if (failure.has_text()) return failure;
    return "the loader reported a failure without a reason";
}

bool LoadResult::RanOutOfMemory() const {
    if (Succeeded()) return false;
    return allocationFailed ||
           (!escaped.empty() && escapedKind == kxloader::FileParser::Escape::kOutOfMemory);
}

std::string LoadResult::ReadFailure() const {
    if (Succeeded() || escapedKind != kxloader::FileParser::Escape::kReadFailure) return std::string();
    return escaped;
}

std::unique_ptr<LoadSession> LoadSession::Open(const std::string& pluginPath, std::string& error) {
    std::unique_ptr<kxk::PluginLibrary> library = kxk::PluginLibrary::Open(pluginPath, error);
    if (!library) return nullptr;
    du::SmartPtr<du::RefCounted> component;
    if (!library->CreateComponent("loader", "ed", component) || !component) {
        error = "plug-in library \"" + pluginPath + "\" makes no \"ed\" loader";
        return nullptr;
    }
    auto* loader = dynamic_cast<kxloader::StructureParser*>(component.get());
    if (!loader) {
        error = "the \"ed\" loader of plug-in library \"" + pluginPath + "\" is not a structure loader";
        component = nullptr;  // before the library goes
        return nullptr;
    }
    return std::unique_ptr<LoadSession>(new LoadSession(std::move(library), std::move(component), loader));
}

LoadSession::LoadSession(std::unique_ptr<kxk::PluginLibrary> library, du::SmartPtr<du::RefCounted> component,
                         kxloader::StructureParser* loader)
    : m_library(std::move(library)), m_component(std::move(component)), m_loader(loader) {}

LoadSession::~LoadSession() {
    m_loader = nullptr;
    m_component = nullptr;
    m_library.reset();
}

LoadResult LoadSession::Load(const std::string& file, dp::TraceSink& traces, ProgressIndicator& progress) {
    LoadResult result;
    result.file = file;
    result.memoryAtStart = ResidentMemory();
    // A host knows where a structure's file really is; links to files that moved are looked for
    // beside it, however the file was named on the command line.
    result.structure = new kxk::Structure(du::Symbol(AbsolutePath(file)));

    LoadEvent event;
    g_fetchedAt.store(0);
    // The host hears of every allocation failure during the load, also of those the loader turns into
    // a failure of its own.
    const uint64_t allocationFailures = du::Env::AllocationFailures();
    const std::new_handler previousHandler = std::set_new_handler(&du::Env::NoteAndThrow);
    kxloader::FileParser::SetFetchObserver(&NoteFetched);
    kxloader::FileParser::SetEscapeObserver(&NoteEscaped);
    {
        ScopedProcessTraceSink sink(traces);
        Clock::time_point start = Clock::now();
        m_loader->LoadRequest(result.structure, du::Symbol(file), &event);
        WaitForLoader(event, progress);
        // The worker may still be on its way out of the fetch completion, holding the loader and
        // tracing; it must be gone before the sink, the event and later the library are.
        kxloader::FileParser::WaitForPendingFetches();
        result.timings = Measure(start, event);
        kxloader::FileParser::SetFetchObserver(nullptr);
        kxloader::FileParser::SetEscapeObserver(nullptr);
        std::set_new_handler(previousHandler);
        result.allocationFailed = du::Env::AllocationFailures() != allocationFailures;
        ReportEscaped(event, result);
    }
    progress.Finish();

    result.eventDone = event.IsDone();
    result.eventFailed = event.HasFailed();
    result.eventSignalled = event.GetSignalCount() > 0;
    result.failure = event.GetFailure();
    return result;
}

}  // namespace edload
