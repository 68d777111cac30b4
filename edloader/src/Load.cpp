// edl_load: a load through the plug-in, driven as ed-load drives it, then a snapshot of the result.

#include <memory>
#include <mutex>

#include "Boundary.h"
#include "LoadSession.h"
#include "PluginBeside.h"
#include "ProgressIndicator.h"
#include "Snapshot.h"
#include "TraceCapture.h"
#include "du/Symbol.h"

namespace edloader {

namespace {

// The host reports a load's fetch and what escapes its completion through process-wide observers, and
// the trace sink is process-wide too: one load at a time.
std::mutex g_loadMutex;

int Load(const char* path, std::unique_ptr<edl_structure>& snapshot, std::string& reason) {
    std::lock_guard<std::mutex> lock(g_loadMutex);
    const std::string pluginPath = PluginBesideLibrary();
    std::unique_ptr<edload::LoadSession> session = edload::LoadSession::Open(pluginPath, reason);
    if (!session) return EDL_NO_PLUGIN;
    edload::ProgressIndicator progress(path, false);
    // A library does not write to the program's standard error; what the loader traces is dropped.
    edload::TraceCapture traces(edload::TraceCapture::Mode::kDrop, progress);
    edload::LoadResult result = session->Load(path, traces, progress);
    if (result.RanOutOfMemory()) {
        reason = "out of memory";
        return EDL_OUT_OF_MEMORY;
    }
    if (!result.Succeeded()) {
        reason = "cannot load \"" + std::string(path) + "\": " + result.FailureReason();
        return EDL_LOAD_FAILED;
    }
    snapshot = std::make_unique<edl_structure>();
    TakeSnapshot(*result.structure, *snapshot);
    result.structure = nullptr;
    // The texts of the released structure would otherwise stay in the host's table until the next load.
    du::Symbol::Sweep();
    return EDL_OK;
}

}  // namespace

}  // namespace edloader

extern "C" {

const char* edl_version(void) {
    return EDLOADER_VERSION_STRING;
}

int edl_load(const char* path, edl_structure** out, char* message, size_t message_size) {
    if (out) *out = nullptr;
    return edloader::Guarded(
        [&](std::string& reason) -> int {
            if (!path || !out) {
                reason = "edl_load needs a path and a place for the structure";
                return EDL_BAD_ARGUMENT;
            }
            std::unique_ptr<edl_structure> snapshot;
            const int status = edloader::Load(path, snapshot, reason);
            *out = snapshot.release();
            return status;
        },
        message, message_size);
}

void edl_free(edl_structure* s) {
    delete s;
}

size_t edl_instance_count(const edl_structure* s) {
    return s ? s->instanceCount : 0;
}

const edl_component* edl_root(const edl_structure* s) {
    return s ? s->root : nullptr;
}

}  // extern "C"
