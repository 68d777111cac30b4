#include "plugin/EDParser.h"

#include <gtest/gtest.h>

#include <string>

#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/AsyncEvent.h"
#include "kxk/Structure.h"
#include "kxloader/FetchGate.h"
#include "kxloader/FetchRegistry.h"
#include "kxloader/StructureParser.h"
#include "support/TempFolder.h"
#include "support/TraceRecorder.h"

namespace {

const char kAssembly[] = "C 1 0 0\nI 0 1 0 0 Assembly\nC 2 1 0\nI 0 2 0 0 Bolt\n";
const char kTwoRoots[] = "C 1 0 0\nC 2 0 0\n";

// Drives the real component the way a host does: LoadRequest, then the completion that the host's
// fetch worker delivers, or that the test delivers itself once it has closed the fetch gate.
class EDParserTest : public ::testing::Test {
  protected:
    EDParserTest() : m_liveObjects(du::RefCounted::LiveCount()), m_loader(new EDParser) {
        // The completion runs on the fetch worker, whose traces only the process sink sees.
        dp::SetTraceSink(&m_traces);
    }
    ~EDParserTest() override {
        m_gate.Open();  // waiting for all fetches waits for the held ones too
        kxloader::FileParser::WaitForPendingFetches();
        dp::SetTraceSink(nullptr);
        m_loader = nullptr;
        EXPECT_EQ(m_liveObjects, du::RefCounted::LiveCount());
    }

    static du::SmartPtr<kxk::Structure> NewStructure() { return new kxk::Structure; }
    uint64_t Request(const du::SmartPtr<kxk::Structure>& structure, const std::string& file,
                     kxk::AsyncEvent* event) {
        return m_loader->LoadRequest(structure, du::Symbol(file), event);
    }
    // A load through to its end: the host has delivered the completion and let go of the loader.
    uint64_t Load(const du::SmartPtr<kxk::Structure>& structure, const std::string& file,
                  kxk::AsyncEvent* event) {
        uint64_t request = Request(structure, file, event);
        kxloader::FileParser::WaitForPendingFetches();
        return request;
    }

    // The structure's loaded state, the loader's calls to set it, the references held to it, and
    // what the event was told.
    static std::string State(const du::SmartPtr<kxk::Structure>& structure, const kxk::AsyncEvent& event) {
        return "loaded " + std::to_string(structure->GetLoaded()) + " set " +
               std::to_string(structure->GetSetLoadedCalls()) + " refs " +
               std::to_string(structure->ReferenceCount()) + " signals " +
               std::to_string(event.GetSignalCount()) + " failures " +
               std::to_string(event.GetFailureCount());
    }
    // The loader's own traces, each as "type text".
    std::string LoaderTraces() const {
        std::string traces;
        for (const auto& m : m_traces.Messages())
            if (m.domain == "structure" && m.name == "EDZParser")
                traces += std::to_string(m.type) + " " + m.text;
        return traces;
    }

    size_t m_liveObjects;
    edtest::TempFolder m_folder;
    edtest::TraceRecorder m_traces;
    du::SmartPtr<kxloader::StructureParser> m_loader;
    kxloader::FetchGate& m_gate = kxloader::FetchGate::Get();
};

// How each kind of file ends a load, with and without an event: the structure's loaded state, what the
// event is told, and the loader's trace. The loader always lets go of the structure, and serves the
// next load after a failed one.
TEST_F(EDParserTest, LoadEndsByTheFileWithAndWithoutEvent) {
    struct Case {
        const char* content;  // null: the file is missing
        const char* state;    // State() with the event, "signals" and "failures" to be filled in
        bool signalled, parseFailed;
    };
    const Case cases[] = {
        {nullptr, "loaded 0 set 0", false, false},
        {kTwoRoots, "loaded 2 set 1", false, true},
        {kAssembly, "loaded 1 set 1", true, false},
    };
    for (const Case& c : cases) {
        for (bool withEvent : {true, false}) {
            SCOPED_TRACE(std::string(c.content ? c.content : "missing") + (withEvent ? " event" : ""));
            m_traces.Reset();
            auto structure = NewStructure();
            kxk::AsyncEvent event;
            // Blanks and quotes in the name must reach the trace as they are.
            const std::string file =
                c.content ? m_folder.Write("a \"b\".ed", c.content) : m_folder.Path() + "/missing.ed";
            EXPECT_NE(0u, Load(structure, file, withEvent ? &event : nullptr));
            EXPECT_EQ(std::string(c.state) + " refs 1 signals " + (withEvent && c.signalled ? "1" : "0") +
                          " failures " + (withEvent && !c.signalled ? "1" : "0"),
                      State(structure, event));
            if (c.signalled) {
                EXPECT_EQ("Assembly", structure->GetRoot()->GetName());
            }
            if (withEvent && !c.signalled) {
                EXPECT_EQ(1, event.GetFailureValue());
                // A failed fetch passes on the host's own wording unchanged.
                EXPECT_EQ(c.parseFailed ? std::string("Failed to parse ED file.")
                                        : kxloader::FetchRegistry::CheckReadable(du::Symbol(file)),
                          std::string(event.GetFailure()));
            }
            EXPECT_EQ(c.parseFailed ? "3 Failed to parse ED file \"" + file + "\"\n" : "", LoaderTraces());
        }
    }
}

// A completion for a fetch the host did make, of a load that already ended or never started, and
// completing at once: none of them parses or tells an event again.
TEST_F(EDParserTest, CompletionsWithoutAPendingLoadTouchNothing) {
    auto parsed = NewStructure(), failed = NewStructure(), done = NewStructure(), immediate = NewStructure();
    kxk::AsyncEvent parsedEvent, failedEvent, doneEvent, immediateEvent;
    uint64_t fetched = Load(parsed, m_folder.Write("a.ed", kTwoRoots), &parsedEvent);
    Load(failed, m_folder.Path() + "/missing.ed", &failedEvent);
    uint64_t finished = Load(done, m_folder.Write("b.ed", kAssembly), &doneEvent);
    m_traces.Reset();

    m_loader->OnFetchComplete(fetched, 0);
    m_loader->OnFetchComplete(finished, 0);
    m_loader->OnFetchComplete(finished, 1);
    m_loader->CompleteImmediately(immediate, du::Symbol("a.ed"), &immediateEvent);
    m_loader->CompleteImmediately(immediate, du::Symbol("a.ed"), nullptr);
    EXPECT_EQ("loaded 2 set 1 refs 1 signals 0 failures 1", State(parsed, parsedEvent));
    EXPECT_EQ("loaded 0 set 0 refs 1 signals 0 failures 1", State(failed, failedEvent));
    EXPECT_EQ("loaded 1 set 1 refs 1 signals 1 failures 0", State(done, doneEvent));
    EXPECT_EQ("loaded 0 set 0 refs 1 signals 1 failures 0", State(immediate, immediateEvent));
    EXPECT_EQ(0u, kxloader::FileParser::PendingFetches());
    EXPECT_EQ("", LoaderTraces());
}

// Completions with a status that is neither success nor failure while a load is pending: the load
// goes on as if nothing had happened. A request without a structure replaces the pending load like
// any request, and its completion then finds nothing to fill.
TEST_F(EDParserTest, StrayCompletionsLeaveThePendingLoadAloneAndARequestWithoutStructureDeclinesIt) {
    m_gate.Close();
    auto structure = NewStructure();
    kxk::AsyncEvent event, declined;
    uint64_t request = Request(structure, m_folder.Write("a.ed", kAssembly), &event);
    // The fetch has succeeded and is recorded, so a status taken for success would parse.
    m_gate.WaitUntilHeld(1);

    m_loader->OnFetchComplete(request, 2);
    m_loader->OnFetchComplete(request, 7);
    EXPECT_EQ(0u, Request(nullptr, m_folder.Write("b.ed", kAssembly), &declined));
    EXPECT_EQ(1u, kxloader::FileParser::PendingFetches());  // no fetch for the request without one
    EXPECT_EQ("loaded 0 set 0 refs 1 signals 0 failures 0", State(structure, event));
    m_gate.Deliver(request);
    EXPECT_EQ("loaded 0 set 0 refs 1 signals 0 failures 0", State(structure, event));
    EXPECT_FALSE(declined.IsDone());
    EXPECT_EQ("", LoaderTraces());
}

TEST_F(EDParserTest, SameStructureTwiceKeepsOneReferenceAndTheLastEvent) {
    m_gate.Close();
    auto structure = NewStructure();
    kxk::AsyncEvent overwritten, last;
    uint64_t first = Request(structure, m_folder.Write("first.ed", kAssembly), &overwritten);
    uint64_t second = Request(structure, m_folder.Write("second.ed", kTwoRoots), &last);
    EXPECT_EQ(2, structure->ReferenceCount());

    // The first completion finishes the load with the last event; the second finds nothing left to
    // do and must not parse its unparsable file.
    m_gate.WaitUntilHeld(2);
    EXPECT_EQ(first, m_gate.DeliverNext());
    EXPECT_EQ("loaded 1 set 1 refs 1 signals 1 failures 0", State(structure, last));
    EXPECT_EQ(second, m_gate.DeliverNext());
    EXPECT_EQ("loaded 1 set 1 refs 1 signals 1 failures 0", State(structure, last));
    EXPECT_FALSE(overwritten.IsDone());
    EXPECT_EQ("", LoaderTraces());
}

// The completions arrive against request order; the first one's is late and finds its structure
// replaced, so it neither parses its unparsable file nor touches either structure.
TEST_F(EDParserTest, NewStructureReplacesThePendingOne) {
    m_gate.Close();
    auto replaced = NewStructure(), current = NewStructure();
    kxk::AsyncEvent none;
    uint64_t first = Request(replaced, m_folder.Write("first.ed", kTwoRoots), nullptr);
    uint64_t second = Request(current, m_folder.Write("second.ed", kAssembly), nullptr);
    EXPECT_EQ(1, replaced->ReferenceCount());
    m_gate.Deliver(second);
    m_gate.Deliver(first);
    EXPECT_EQ("loaded 0 set 0 refs 1 signals 0 failures 0", State(replaced, none));
    EXPECT_EQ("loaded 1 set 1 refs 1 signals 0 failures 0", State(current, none));
    EXPECT_EQ("", LoaderTraces());
}

}  // namespace
