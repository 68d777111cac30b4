#include "plugin/EDParser.h"

#include "dp/KXTracer.h"
#include "ed/reader/Parser.h"

namespace {

const char kParseFailure[] = "Failed to parse ED file.";

// One message, so that concurrent loads cannot interleave their pieces.
void TraceParseFailure(const du::Symbol& fileName) {
    dp::TraceFormatter formatter = dp::KXTracer("structure", "EDZParser").Formatter(3);
    formatter.stream() << "Failed to parse ED file \"";
    fileName.Print(formatter.stream());
    formatter.stream() << "\"\n";
}

}  // namespace

EDParser::EDParser(const ed::LoadOptions& options)
    : m_options(options), m_structure(), m_state(kIdle), m_event(nullptr) {}

EDParser::~EDParser() = default;

bool EDParser::CapabilityQuery() {
    return true;
}

uint64_t EDParser::LoadRequest(const du::SmartPtr<kxk::Structure>& structure, const du::Symbol& fileName,
                               kxk::AsyncEvent* event) {
    // Every request replaces the held structure and event, even one without a structure: a load
    // pending before it is then declined when its completion finds no structure. Such a request has
    // nothing to fill, so it starts no fetch; 0 is the handle of no fetch.
    m_structure = structure;
    m_state = kRequested;
    m_event = event;
    if (!structure) return 0;
    // The fields are in place before the fetch starts: the host may deliver the completion on its
    // worker thread while GetFile is still running.
    return GetFile(fileName, true, du::Symbol::EMPTY);
}

void EDParser::OnFetchComplete(uint64_t request, int status) {
    if (status == 0) {
        du::Symbol localFileName;
        GetAsyncFileName(request, localFileName);
        // The state stays "requested" after a parse, so a second completion of the same load comes
        // here without a structure; it is declined without a parse, SetLoaded or event call.
        if (m_state == kRequested && m_structure) ParseAndReport(localFileName);
    } else if (status == 1) {
        FailFetch(request);
    }
}

void EDParser::CompleteImmediately(const du::SmartPtr<kxk::Structure>&, const du::Symbol&,
                                   kxk::AsyncEvent* event) {
    if (event) event->SignalDone();
}

void EDParser::FailFetch(uint64_t request) {
    du::Symbol error;
    GetAsyncError(request, error);
    if (m_event) m_event->ReportFailure(error, 1);
    m_state = kIdle;
    m_structure = nullptr;
}

// An exception out of Parse passes through untouched: the structure is not marked, the event is not
// told and the fields stay as they were, for the host to deal with.
void EDParser::ParseAndReport(const du::Symbol& localFileName) {
    ed::Parser parser(m_options);
    if (parser.Parse(localFileName, m_structure)) {
        m_structure->SetLoaded(1);
        if (m_event) m_event->SignalDone();
    } else {
        m_structure->SetLoaded(2);
        if (m_event) m_event->ReportFailure(du::Symbol(kParseFailure), 1);
        TraceParseFailure(localFileName);
    }
    m_event = nullptr;
    m_structure = nullptr;
}
