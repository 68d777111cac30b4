#pragma once

#include <memory>
#include <optional>
#include <string>

#include "dp/KXTracer.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/PluginLibrary.h"
#include "kxk/Structure.h"
#include "kxloader/StructureParser.h"

namespace edload {

class ProgressIndicator;

// Seconds spent in each phase of a load. The fetch ends when the host has checked the file and is
// about to hand it to the loader; it is unknown when the fetch failed.
struct LoadTimings {
    std::optional<double> fetch;
    std::optional<double> parseAndBuild;
    double total = 0;
};

// What one load left behind.
struct LoadResult {
    std::string file;
    du::SmartPtr<kxk::Structure> structure;
    bool eventDone = false;       // the loader told the event, one way or the other
    bool eventFailed = false;     // ... and it was a failure report
    bool eventSignalled = false;  // the loader called SignalDone: the load completed
    du::Symbol failure;           // the failure text the loader reported (null when none)
    // What left the loader's completion as an exception ("out of memory", ...), which the host caught
    // and reported to the event as the failure; empty when nothing did.
    std::string escaped;
    kxloader::FileParser::Escape escapedKind = kxloader::FileParser::Escape::kOther;
    // The host met an allocation failure during the load, whatever the loader made of it.
    bool allocationFailed = false;
    LoadTimings timings;
    // The process before the load began, to compare with once the structure is released.
    std::optional<double> memoryAtStart;

    bool Succeeded() const { return eventDone && !eventFailed; }
    // A failed load during which memory ran out: the loader may have reported it as any failure.
    bool RanOutOfMemory() const;
    // `cannot read "FILE": ` and the system's reason when reading the file failed; empty otherwise.
    std::string ReadFailure() const;
    // Why the load failed, for a person; empty on success.
    std::string FailureReason() const;
};

// The plug-in and its ED loader, driven as the host drives a loader: open the library, make the
// "loader" component "ed", request a load into a fresh structure and wait on the completion event
// while the host's worker thread fetches and parses. One thread uses a session.
class LoadSession {
  public:
    // Null with `error` set when the library cannot be opened or makes no ED structure loader.
    static std::unique_ptr<LoadSession> Open(const std::string& pluginPath, std::string& error);
    // Releases the loader before the library that holds its code is closed.
    ~LoadSession();
    LoadSession(const LoadSession&) = delete;
    LoadSession& operator=(const LoadSession&) = delete;

    // Loads `file` with `traces` installed as the process trace sink. Returns once the loader has
    // finished and no fetch thread of the host is left running.
    LoadResult Load(const std::string& file, dp::TraceSink& traces, ProgressIndicator& progress);

  private:
    LoadSession(std::unique_ptr<kxk::PluginLibrary> library, du::SmartPtr<du::RefCounted> component,
                kxloader::StructureParser* loader);

    std::unique_ptr<kxk::PluginLibrary> m_library;
    du::SmartPtr<du::RefCounted> m_component;
    kxloader::StructureParser* m_loader;  // the component seen as a structure loader
};

}  // namespace edload
